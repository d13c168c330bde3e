#!/usr/bin/env bash
# Installs the Debian packages that are missing: with --demo, what building
# the library and its commands needs; without, also what every test needs.
# Runs apt-get as root (directly, or through sudo).
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config binutils libxml2-dev libssl-dev)
if [ "${1:-}" != "--demo" ]; then
  packages+=(
    clang libclang-rt-14-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
    libpugixml-dev valgrind g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 locales
    g++-multilib libxml2-dev:i386 libssl-dev:i386 qemu-user dpkg-dev lintian
    # 32-bit Wine for the i686 build; clang-cl, lld-link and llvm-dlltool for
    # the MSVC import library and the host built in the MSVC ABI.
    wine32:i386 clang-tools-14 lld-14 llvm-14
  )
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# The i386 build takes Debian's i386 libraries, and 32-bit Wine comes from them.
if [ "${1:-}" != "--demo" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
