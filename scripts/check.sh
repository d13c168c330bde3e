#!/usr/bin/env bash
# The whole test suite from nothing: dependencies, the API reference (a
# Doxygen warning fails), a release build with every test (the soak,
# installed-copy and demonstration tests among them), a valgrind run of the
# host-level suite, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, a Linux i386 build whose tests run under QEMU,
# the Windows builds for i686 and x86_64 whose tests run under 32-bit and
# 64-bit Wine, the packages and the Windows archives (the example host built
# from each, unpacked, and run under Wine), and a short round of fuzzing for
# each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

started=$SECONDS
step() { printf '\n=== %s (at %d s) ===\n' "$*" $((SECONDS - started)); }

step "dependencies"
scripts/install-deps.sh

configure() {  # configure DIR [cmake options...]
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
}

step "API reference: Doxygen, whose every warning fails the check"
configure build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFLATDOM_BENCH=ON -DFLATDOM_DOCS=ON
cmake --build build/release --target docs

step "release build and tests"
cmake --build build/release -j "$jobs"
ctest --test-dir build/release --output-on-failure -j "$jobs"

step "valgrind memcheck of the host-level suite"
valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
  --suppressions=tests/valgrind.supp build/release/bin/host_tests --gtest_brief=1

step "sanitizer build and tests (ASan, UBSan)"
configure build/asan -DCMAKE_BUILD_TYPE=Debug -DFLATDOM_SANITIZE=ON
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"

step "Linux i386 build; its unit and host-level tests run under qemu-i386 (user-mode emulation)"
configure build/linux-i386 -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/linux-i386.cmake"
cmake --build build/linux-i386 -j "$jobs"
ctest --test-dir build/linux-i386 --output-on-failure -j "$jobs"

windows() {  # windows ARCH [cmake options...]
  local arch=$1
  shift
  configure "build/win-$arch" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-$arch.cmake" "$@"
  cmake --build "build/win-$arch" -j "$jobs"
  scripts/check-windows.sh "$arch" "build/win-$arch" build/release
}
step "Windows i686 build; its tests run under 32-bit Wine"
windows i686 -DFLATDOM_TESTS=ON
step "Windows x86_64 build; its tests run under Wine"
windows x86_64 -DFLATDOM_TESTS=ON

step "packages: Debian packages installed into a scratch root and used; Windows archives unpacked and used"
scripts/package.sh >/dev/null
tests/install/check_packages.sh "$root" build/package/packages build/win-*/packages/*.zip

step "fuzzing: each target replays its corpus, then fuzzes for 15 seconds (make fuzz: longer)"
scripts/fuzz.sh 15

step "all checks passed"
