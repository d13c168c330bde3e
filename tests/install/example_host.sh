#!/usr/bin/env bash
# Builds examples/host.cpp against an installed flatdom twice, with
# find_package(flatdom) and with pkg-config, and runs both builds and the
# installed flatdom command.
#   example_host.sh PREFIX LIBDIR SOURCE_DIR WORK_DIR
set -euo pipefail
prefix=$1
libdir=$prefix/$2
source=$3
work=$4
expected="Pump Controller (id 8000): port 8080, timeout 2.50 s"
export LD_LIBRARY_PATH=$libdir

mkdir -p "$work/cmake-host"
cp "$source/examples/host.cpp" "$work/cmake-host/"
cat >"$work/cmake-host/CMakeLists.txt" <<'CMAKE'
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

# shellcheck disable=SC2046
c++ -std=c++17 "$source/examples/host.cpp" -o "$work/pc-host" \
  $(PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --cflags --libs flatdom)
"$work/pc-host" "$source/examples/config.xml" | grep -qxF "$expected"

[ "$("$prefix/bin/flatdom" hex ff)" = "255" ]
