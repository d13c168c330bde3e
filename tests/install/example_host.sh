#!/usr/bin/env bash
# Builds examples/host.cpp, which calls flatdom's and Sealwright's functions,
# against an installed flatdom twice, with find_package(flatdom) (the
# CMakeLists.txt beside it) and with pkg-config, and runs both builds and the
# installed flatdom command; checks that the pkg-config files name their
# folders plainly and that the header, the command and pkg-config agree on
# the version.
#   example_host.sh PREFIX LIBDIR SOURCE_DIR WORK_DIR [SYSROOT]
# SYSROOT is the folder that packages were unpacked into: the files name
# PREFIX without it.
set -euo pipefail
prefix=$1
libdir=$prefix/$2
source=$3
work=$4
sysroot=${5:-}
expected="Pump Controller (id 8000): port 8080, timeout 2.50 s"
export LD_LIBRARY_PATH=$libdir
fail() { echo "example host: $*"; exit 1; }

# examples/CMakeLists.txt as it stands, without a warning from CMake.
cmake -S "$source/examples" -B "$work/cmake-host" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  >"$work/cmake-host.log" 2>&1 || { cat "$work/cmake-host.log"; fail "examples/ does not configure"; }
! grep -q "Warning" "$work/cmake-host.log" || { cat "$work/cmake-host.log"; fail "CMake warns"; }
cmake --build "$work/cmake-host" >/dev/null
"$work/cmake-host/host" "$source/examples/config.xml" | grep -qxF "$expected"

pkgconfig() {
  PKG_CONFIG_LIBDIR=$libdir/pkgconfig PKG_CONFIG_SYSROOT_DIR=$sysroot pkg-config "$@"
}
for pc in flatdom sealwright; do
  for folder in includedir:include libdir:$2; do
    written=$(pkgconfig --variable="${folder%%:*}" $pc)
    [ "$written" = "$prefix/${folder#*:}" ] ||
      fail "$pc.pc writes its ${folder%%:*} as $written"
  done
done
# shellcheck disable=SC2046
c++ -std=c++17 "$source/examples/host.cpp" -o "$work/pc-host" \
  $(pkgconfig --cflags --libs flatdom sealwright)
"$work/pc-host" "$source/examples/config.xml" | grep -qxF "$expected"
# A sealed file without its key: the host says why, as Sealwright tells it.
if env -u SEALWRIGHT_KEY -u SEALWRIGHT_KEY_FILE "$work/pc-host" "$source/examples/secrets.sealed" \
  2>"$work/host.err"; then
  fail "a sealed file opened without a key"
fi
grep -qxF "host: no key: set SEALWRIGHT_KEY or SEALWRIGHT_KEY_FILE" "$work/host.err" ||
  fail "the host did not say why: $(cat "$work/host.err")"

[ "$("$prefix/bin/flatdom" hex ff)" = "255" ]
header=$(printf '#include <flatdom/version.h>\nFLATDOM_VERSION_STRING\n' |
  c++ -E -P -I"$prefix/include" - | tail -n 1)
version=$(pkgconfig --modversion flatdom)
[ "$header" = "\"$version\"" ] && [ "$("$prefix/bin/flatdom" --version)" = "flatdom $version" ] ||
  fail "versions differ: header $header, pkg-config $version, $("$prefix/bin/flatdom" --version)"
