#!/usr/bin/env bash
# A Windows archive as a user unpacks it: everything README-windows.txt points
# at is there (the example host with its documents and CMakeLists.txt, the
# manual pages as text, the API reference), with Windows line ends in the
# notes; the example host builds from the unpacked folder with mingw-w64 in
# the three ways the notes give (their g++ command, pkg-config with the
# archive's .pc files, CMake with the archive's package from a cross
# toolchain) and with their cl command in the MSVC ABI (clang-cl), needs no
# MinGW runtime DLL, and runs under Wine.
#   check_windows_archive.sh SOURCE_DIR ARCHIVE
# WINEPREFIX, unless set, is that of the build that made the archive (as
# scripts/check-windows.sh uses it).
set -euo pipefail
source=$(cd "$1" && pwd)
archive=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
name=$(basename "$archive" .zip)
arch=${name##*-}
fail() { echo "$name: $*"; exit 1; }
[ "$arch" = i686 ] || [ "$arch" = x86_64 ] || fail "no architecture in the name"
work=$(mktemp -d)
export WINEPREFIX=${WINEPREFIX:-$(dirname "$archive")/../wineprefix}
source "$source/scripts/wine.sh"
use_wine "$arch"
trap '"${wine%/*}/wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
[ -x "$wine" ] || fail "no Wine launcher for $arch ('$wine')"

(cd "$work" && cmake -E tar xf "$archive")
root=$work/$name
[ -d "$root" ] || fail "does not unpack into a folder $name"
for entry in bin/flatdom.dll bin/sealwright.dll bin/flatdom.exe bin/sealwright.exe \
  lib/flatdom.lib lib/sealwright.lib lib/libflatdom.dll.a lib/libsealwright.dll.a lib/flatdom.def \
  lib/sealwright.def \
  lib/pkgconfig/flatdom.pc lib/pkgconfig/sealwright.pc lib/cmake/flatdom/flatdomConfig.cmake \
  include/flatdom/flatdom.h include/flatdom/cstring.h include/sealwright/sealwright.h \
  include/flatdom/version.h examples/host.cpp examples/CMakeLists.txt examples/config.xml \
  share/doc/flatdom/LICENSE share/doc/flatdom/api/index.html share/doc/flatdom/api/queries.html \
  share/doc/flatdom/flatdom.txt share/doc/flatdom/sealwright.txt README-windows.txt; do
  [ -e "$root/$entry" ] || fail "lacks $entry"
done
for text in README-windows.txt share/doc/flatdom/flatdom.txt share/doc/flatdom/sealwright.txt; do
  ! grep -qv $'\r$' "$root/$text" || fail "$text has lines that do not end in CR LF"
done
grep -q -- "--xpath" "$root/share/doc/flatdom/flatdom.txt" || fail "flatdom.txt is not the manual page"

# The POSIX thread model, whose C++ runtime would bring a DLL of its own.
compiler=$arch-w64-mingw32-g++-posix
notes=$(tr -d '\r' <"$root/README-windows.txt")
command=$(sed -n 's/^ *\(g++ -static .*libflatdom\.dll\.a.*\)$/\1/p' <<<"$notes")
[ -n "$command" ] || fail "README-windows.txt gives no g++ command"
read -r -a words <<<"${command//\\//}"
(cd "$root" && "$compiler" "${words[@]:1}" -o "$work/readme-host.exe") ||
  fail "the command of README-windows.txt does not build: $command"
pc_host() {
  # shellcheck disable=SC2046
  "$compiler" -static "$root/examples/host.cpp" -o "$work/pc-host.exe" \
    $(PKG_CONFIG_LIBDIR=$root/lib/pkgconfig pkg-config --cflags --libs flatdom sealwright)
}
pc_host || fail "the host does not link with pkg-config --libs flatdom sealwright"
cmake -S "$root/examples" -B "$work/cmake-host" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$source/cmake/toolchains/mingw-$arch.cmake" \
  -Dflatdom_DIR="$root/lib/cmake/flatdom" >"$work/cmake.log" 2>&1 &&
  cmake --build "$work/cmake-host" >>"$work/cmake.log" 2>&1 ||
  { cat "$work/cmake.log"; fail "examples/CMakeLists.txt does not build with flatdom_DIR"; }
cp "$work/cmake-host/host.exe" "$work/cmake-host.exe"

# The cl command of the notes, as written, through clang-cl and lld-link in
# the MSVC ABI (CL, LINK and PATH are what cl and link read). This machine
# has no Windows SDK and no MSVC runtime: mingw-w64's Windows headers and
# import libraries stand for the SDK's, and tests/msvc_host/ for the C++
# library headers the host uses and the runtime's start-up (libcmt.lib),
# over the Universal C Runtime.
command=$(sed -n 's/^ *\(cl \/EHsc .*\)$/\1/p' <<<"$notes")
[ -n "$command" ] || fail "README-windows.txt gives no cl command"
mingw=/usr/$arch-w64-mingw32
msvc=$work/msvc
mkdir -p "$msvc/bin" "$msvc/lib"
ln -s "$(command -v lld-link-14)" "$msvc/bin/lld-link"
for lib in kernel32 ole32 oleaut32 ucrtbase; do ln -s "$mingw/lib/lib$lib.a" "$msvc/lib/$lib.lib"; done
if [ "$arch" = i686 ]; then
  # mingw-w64's import libraries carry no safe exception handler table.
  target="--target=i686-pc-windows-msvc -D_X86_" link=/safeseh:no
else
  target="--target=x86_64-pc-windows-msvc -D_AMD64_" link=""
fi
# mingw-w64's headers take their GCC branches, for the Universal C Runtime.
cl_options="$target -D__MSVCRT_VERSION__=0xE00 -Xclang -fgnuc-version=4.2.1"
# shellcheck disable=SC2086
clang-cl-14 $cl_options /c /Zl /GS- -imsvc "$mingw/include" /Fo"$msvc/start.obj" \
  -- "$source/tests/msvc_host/start.cpp" >/dev/null
llvm-lib-14 /out:"$msvc/lib/libcmt.lib" "$msvc/start.obj"
read -r -a words <<<"${command//\\//}"
(cd "$root" && PATH=$msvc/bin:$PATH LINK="/libpath:$msvc/lib /nodefaultlib:oldnames.lib $link" \
  CL="$cl_options -imsvc $source/tests/msvc_host/include -imsvc $mingw/include -fuse-ld=lld" \
  clang-cl-14 "${words[@]:1}" >"$work/cl.log" 2>&1) ||
  { cat "$work/cl.log"; fail "the cl command of README-windows.txt does not build: $command"; }
mv "$root/host.exe" "$work/cl-host.exe"
for host in readme-host pc-host cmake-host cl-host; do
  runtime=$("$arch-w64-mingw32-objdump" -p "$work/$host.exe" |
    sed -n 's/.*DLL Name: \(lib\(stdc++\|gcc\|winpthread\).*\)/\1/p')
  [ -z "$runtime" ] || fail "$host.exe needs MinGW's $runtime"
done
echo "$name: what README-windows.txt points at is there; the example host builds four ways"

# 32-bit Windows programs need a kernel that runs 32-bit code.
if [ "$arch" = i686 ] && ! "$wine" "$root/bin/flatdom.exe" --version >"$work/probe" 2>&1; then
  echo "NOT RUN under Wine ($arch): $(tail -n 1 "$work/probe")"
  exit 0
fi
cp "$root"/bin/*.dll "$work/"
expected="Pump Controller (id 8000): port 8080, timeout 2.50 s"
config="Z:${root//\//\\}\\examples\\config.xml"
for host in readme-host pc-host cmake-host cl-host; do
  # Wine finds no MinGW DLL: nothing on WINEPATH, none beside the host.
  shown=$(env -u WINEPATH "$wine" "$work/$host.exe" "$config" 2>&1 | tr -d '\r' | head -n 1)
  [ "$shown" = "$expected" ] || fail "$host.exe under Wine says: $shown"
done
echo "$name: the example host runs under Wine, without MinGW's runtime DLLs"
