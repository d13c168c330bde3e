#!/usr/bin/env bash
# make package: the Debian packages (libflatdom1, libflatdom-dev,
# flatdom-tools) in build/package/packages, and a ZIP archive for each
# Windows architecture in build/win-ARCH/packages. Installs and builds only
# what they hold: no test is built in a folder that this script sets up
# (one that make check set up keeps its tests).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
scripts/install-deps.sh --package

# configure DIR [cmake options...]: a new folder builds no tests.
configure() {
  local dir=$1
  shift
  [ -f "$dir/CMakeCache.txt" ] || set -- -DFLATDOM_TESTS=OFF "$@"
  echo "Configuring $dir"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFLATDOM_DOCS=ON "$@" >/dev/null
}
# Debian's build flags, hardening included (fortified functions, stack
# protector, relocations read-only and bound at load).
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
configure build/package -DCMAKE_INSTALL_PREFIX=/usr -DFLATDOM_TESTS=OFF -DFLATDOM_SYSTEM_INSTALL=ON \
  -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
  -DCMAKE_SHARED_LINKER_FLAGS="$(flags LDFLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)"
cmake --build build/package -j "$jobs"
rm -rf build/package/packages  # only this build's packages, for the checks
(cd build/package && cpack >/dev/null)
for arch in i686 x86_64; do
  configure "build/win-$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-$arch.cmake"
  cmake --build "build/win-$arch" -j "$jobs"
  rm -rf "build/win-$arch/packages"
  (cd "build/win-$arch" && cpack >/dev/null)
done
ls -1 build/package/packages/*.deb build/win-*/packages/*.zip
