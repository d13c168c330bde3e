#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds examples/host.cpp
# against that copy twice, with find_package(flatdom) and with pkg-config,
# then runs both and the installed command.
#   check_install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
expected="Pump Controller (id 8000): port 8080, timeout 2.50 s"

cmake --install "$build" --prefix "$prefix" >/dev/null
for lib in flatdom sealwright flatdom-platform; do
  soname=$(readelf -d "$prefix/lib/lib$lib.so" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
  [ "$soname" = "lib$lib.so.1" ] || { echo "lib$lib.so has soname '$soname'"; exit 1; }
done

"$(dirname "$0")/check_runpaths.sh" "$prefix"/bin/* "$prefix"/lib/*.so

mkdir "$work/cmake-host"
cp "$source/examples/host.cpp" "$work/cmake-host/"
cat > "$work/cmake-host/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.20)
project(host CXX)
set(CMAKE_CXX_STANDARD 17)
find_package(flatdom 1 REQUIRED)
add_executable(host host.cpp)
target_link_libraries(host PRIVATE flatdom::flatdom)
CMAKE
cmake -S "$work/cmake-host" -B "$work/cmake-host/build" -G Ninja \
  -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-host/build" >/dev/null
"$work/cmake-host/build/host" "$source/examples/config.xml" | grep -qxF "$expected"

export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
# shellcheck disable=SC2046
c++ -std=c++17 "$source/examples/host.cpp" -o "$work/pc-host" \
  $(pkg-config --cflags --libs flatdom) -Wl,-rpath,"$prefix/lib"
"$work/pc-host" "$source/examples/config.xml" | grep -qxF "$expected"

[ "$("$prefix/bin/flatdom" hex ff)" = "255" ]
echo "installed copy: both builds of the example host ran"
