#!/usr/bin/env bash
# Writes flatdom.dll's export list for ARCH (i686 or x86_64) to standard
# output: each export under its GNU name and, as an alias of it, under the
# name Microsoft's compiler gives it. Both names come from objects that take
# the address of every export (tests/frame/exports.txt) through the public
# header, compiled by mingw-w64's g++ and by clang-cl in the MSVC ABI.
#   windows-def.sh ARCH > src/frame/flatdom-ARCH.def
set -euo pipefail
arch=$1
root=$(cd "$(dirname "$0")/.." && pwd)
case $arch in
  i686) msvc_target=i686-pc-windows-msvc msvc_cpu=-D_X86_ ;;
  x86_64) msvc_target=x86_64-pc-windows-msvc msvc_cpu=-D_AMD64_ ;;
  *) echo "windows-def.sh: unknown ARCH '$arch'" >&2; exit 2 ;;
esac
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The header the build generates; the names do not depend on the version.
mkdir -p "$work/include/flatdom"
sed 's/@PROJECT_VERSION[A-Z_]*@/0/' "$root/cmake/version.h.in" >"$work/include/flatdom/version.h"

{
  echo '#include <flatdom/flatdom.h>'
  echo 'extern const void* const kExports[] = {'
  sed 's/(.*//; s/.*/    reinterpret_cast<const void*>(\&&),/' "$root/tests/frame/exports.txt"
  echo '};'
} >"$work/exports.cpp"

# Imported names, by the function's own name: "name decorated-name".
"$arch-w64-mingw32-g++" -c -std=c++17 -I "$root/include" -I "$work/include" -o "$work/gnu.o" "$work/exports.cpp"
clang-cl-14 --target="$msvc_target" /c /GS- /Zl "$msvc_cpu" -Xclang -fgnuc-version=4.2.1 \
  -imsvc "/usr/$arch-w64-mingw32/include" -imsvc "$root/tests/msvc_host/include" -I "$root/include" \
  -I "$work/include" /Fo"$work/msvc.obj" -- "$work/exports.cpp" >/dev/null
# g++ asks for the symbol itself or for its import pointer; i686 C symbols
# carry a leading underscore.
underscore=""
[ "$arch" = i686 ] && underscore=_
"$arch-w64-mingw32-nm" -u "$work/gnu.o" | awk -v underscore="$underscore" '
  { name = $2; sub(/^__imp_/, "", name) }
  index(name, underscore "_Z") == 1 {
    name = substr(name, length(underscore) + 1)
    match(name, /^_Z[0-9]+/)
    print substr(name, RLENGTH + 1, substr(name, 3, RLENGTH - 2)), name
  }' | sort >"$work/gnu.txt"
llvm-nm-14 -u "$work/msvc.obj" | sed -n 's/^ *U __imp_\(?\([^@]*\)@.*\)$/\2 \1/p' |
  sort >"$work/msvc.txt"
if [ "$(cut -d' ' -f1 "$work/gnu.txt")" != "$(cut -d' ' -f1 "$work/msvc.txt")" ] ||
  [ "$(wc -l <"$work/gnu.txt")" -ne "$(wc -l <"$root/tests/frame/exports.txt")" ]; then
  echo "windows-def.sh: the GNU and MSVC names do not pair up:" >&2
  diff "$work/gnu.txt" "$work/msvc.txt" >&2 || true
  exit 1
fi

echo "; flatdom.dll ($arch): each export under its GNU name, and under its MSVC"
echo "; name as an alias. Made by scripts/windows-def.sh $arch; do not edit."
echo "LIBRARY flatdom.dll"
echo "EXPORTS"
join "$work/gnu.txt" "$work/msvc.txt" | while read -r _ gnu msvc; do
  echo "  $gnu"
  echo "  $msvc = $gnu"
done
