#!/usr/bin/env bash
# Writes the export list of a Windows DLL of ours for ARCH (i686 or x86_64)
# to standard output: flatdom.dll, or with LIBRARY sealwright, sealwright.dll.
# Each C++ export is listed under its GNU name and, as an alias of it, under
# the name Microsoft's compiler gives it; a C export (flatdom.dll's
# SetMessageBoxHandler) under its one name. The names come from objects that
# take the address of every export in the lists below through the public
# header, compiled by mingw-w64's g++ and by clang-cl in the MSVC ABI.
#   windows-def.sh ARCH > src/frame/flatdom-ARCH.def
#   windows-def.sh ARCH sealwright > sealwright/sealwright-ARCH.def
set -euo pipefail
arch=$1
library=${2:-flatdom}
root=$(cd "$(dirname "$0")/.." && pwd)
case $arch in
  i686) msvc_target=i686-pc-windows-msvc msvc_cpu=-D_X86_ ;;
  x86_64) msvc_target=x86_64-pc-windows-msvc msvc_cpu=-D_AMD64_ ;;
  *) echo "windows-def.sh: unknown ARCH '$arch'" >&2; exit 2 ;;
esac
# The header, and the lists of exports: one function a line, by its name up
# to the first "(" (C++ exports as the Linux library's symbols read, after
# c++filt; exports-windows.txt, the C exports of Windows alone).
case $library in
  flatdom)
    header=flatdom/flatdom.h
    lists=("$root/tests/frame/exports.txt" "$root/tests/frame/exports-windows.txt") ;;
  sealwright)
    header=sealwright/sealwright.h
    lists=("$root/tests/sealwright/exports.txt") ;;
  *) echo "windows-def.sh: unknown LIBRARY '$library'" >&2; exit 2 ;;
esac
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The header the build generates; the names do not depend on the version.
mkdir -p "$work/include/flatdom"
sed 's/@PROJECT_VERSION[A-Z_]*@/0/' "$root/cmake/version.h.in" >"$work/include/flatdom/version.h"

{
  echo "#include <$header>"
  echo 'extern const void* const kExports[] = {'
  cat "${lists[@]}" | sed 's/(.*//; s/.*/    reinterpret_cast<const void*>(\&&),/'
  echo '};'
} >"$work/exports.cpp"
includes=(-I "$root/include" -I "$root/sealwright/include" -I "$work/include")

# Imported names, by the function's own name: "name decorated-name".
"$arch-w64-mingw32-g++" -c -std=c++17 "${includes[@]}" -o "$work/gnu.o" "$work/exports.cpp"
clang-cl-14 --target="$msvc_target" /c /GS- /Zl "$msvc_cpu" -Xclang -fgnuc-version=4.2.1 \
  -imsvc "/usr/$arch-w64-mingw32/include" -imsvc "$root/tests/msvc_host/include" "${includes[@]}" \
  /Fo"$work/msvc.obj" -- "$work/exports.cpp" >/dev/null
# Imported names of the listed functions. g++ asks for the symbol itself or
# for its import pointer, clang-cl for the pointer; i686 C symbols carry a
# leading underscore, which the export's name drops. A GNU C++ name is _Z,
# the length of the function's name and the name; an MSVC one ?name@.
underscore=""
[ "$arch" = i686 ] && underscore=_
cat "${lists[@]}" | sed 's/(.*//' | sort >"$work/names.txt"
imports() {
  llvm-nm-14 -u "$1" | awk -v underscore="$underscore" '
    NR == FNR { listed[$1] = 1; next }
    { name = $2; sub(/^__imp_/, "", name) }
    name ~ /^\?/ { split(substr(name, 2), part, "@"); function_name = part[1] }
    name !~ /^\?/ {
      if (index(name, underscore) != 1) next
      name = substr(name, length(underscore) + 1)
      function_name = name
      if (match(name, /^_Z[0-9]+/)) function_name = substr(name, RLENGTH + 1, substr(name, 3, RLENGTH - 2))
    }
    function_name in listed { print function_name, name }' "$work/names.txt" - | sort
}
imports "$work/gnu.o" >"$work/gnu.txt"
imports "$work/msvc.obj" >"$work/msvc.txt"
if [ "$(cut -d' ' -f1 "$work/gnu.txt")" != "$(cut -d' ' -f1 "$work/msvc.txt")" ] ||
  [ "$(wc -l <"$work/gnu.txt")" -ne "$(cat "${lists[@]}" | wc -l)" ]; then
  echo "windows-def.sh: the GNU and MSVC names do not pair up:" >&2
  diff "$work/gnu.txt" "$work/msvc.txt" >&2 || true
  exit 1
fi

echo "; $library.dll ($arch): each C++ export under its GNU name, and under its"
echo "; MSVC name as an alias; a C export under its name. Made by"
echo "; scripts/windows-def.sh $arch${2:+ $2}; do not edit."
echo "LIBRARY $library.dll"
echo "EXPORTS"
join "$work/gnu.txt" "$work/msvc.txt" | while read -r _ gnu msvc; do
  echo "  $gnu"
  [ "$gnu" = "$msvc" ] || echo "  $msvc = $gnu"
done
