#!/usr/bin/env bash
# Checks a Windows build: the DLL exports exactly the 21 functions and, for
# x86_64, the host-level suite, Sealwright's tests and both commands run under
# Wine against the system's XML engine, the differential test compares the
# answers of both engines, and sealed files cross between Linux and Windows.
#   check-windows.sh ARCH WINDOWS_BUILD_DIR LINUX_BUILD_DIR
set -euo pipefail
arch=$1
build=$(cd "$2" && pwd)
linux=$(cd "$3" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$build/bin

exports=$("$arch-w64-mingw32-objdump" -p "$bin/flatdom.dll" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p' |
  c++filt | sort)
if [ "$exports" != "$(sort "$root/tests/frame/exports.txt")" ]; then
  echo "flatdom.dll ($arch) exports differ:"; diff <(echo "$exports") <(sort "$root/tests/frame/exports.txt")
  exit 1
fi
echo "flatdom.dll ($arch) exports exactly the 21 functions"
[ "$arch" = x86_64 ] || exit 0

wine=$(dpkg -L wine64 | grep -m1 '/wine64$')
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all
work=$(mktemp -d)
trap '"${wine%/*}/wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
run() { "$wine" "$@" 2>/dev/null | tr -d '\r'; }

for tests in host_tests sealwright_tests; do
  run "$bin/$tests.exe" --gtest_brief=1 >"$build/$tests.log" || { cat "$build/$tests.log"; exit 1; }
  tail -n 3 "$build/$tests.log"
done

# The same answers from both engines, but for the differences listed.
"$root/tests/differential/run.sh" "$linux" "$build" "$wine"

# The same answers from the command on both systems.
queries=(
  "get $root/examples/config.xml configuration/device/serial"
  "all $root/examples/config.xml configuration/device/@id --as auto"
  "all $root/examples/config.xml configuration/device/mask --as hex"
  "get $root/examples/config.xml configuration/device/timeout --as float"
  "count $root/examples/catalogue.xml //cat:item"
  "all $root/examples/catalogue.xml //p:price --as float"
  "fixed 1234.56 1"
  "hex 7fffffff"
)
for query in "${queries[@]}"; do
  read -r -a words <<<"$query"
  linux_out=$("$linux/bin/flatdom" "${words[@]}")
  windows_words=()
  for word in "${words[@]}"; do
    if [ -e "$word" ]; then windows_words+=("$(windows_path "$word")"); else windows_words+=("$word"); fi
  done
  windows_out=$(run "$bin/flatdom.exe" "${windows_words[@]}")
  if [ "$linux_out" != "$windows_out" ]; then
    echo "flatdom $query: Linux gives '$linux_out', Windows '$windows_out'"; exit 1
  fi
done
echo "flatdom.exe answers as flatdom does on Linux (${#queries[@]} queries)"

# Standard input, and why a document does not load, on the console (a script
# waits for no click).
[ "$(run "$bin/flatdom.exe" count - //device <"$root/examples/config.xml")" = 2 ]
status=0
"$wine" "$bin/flatdom.exe" get "$(windows_path "$root/examples/broken.xml")" //item \
  >/dev/null 2>"$work/stderr" || status=$?
grep -q "^flatdom: PARSE ERROR! .*broken.xml @ line" "$work/stderr" && [ "$status" = 2 ] || {
  echo "flatdom.exe on a broken document exits $status and says:"; cat "$work/stderr"; exit 1; }
echo "flatdom.exe reads standard input, and says on the console why a document does not load"

# Sealed on Linux, opened on Windows; sealed on Windows, opened on Linux. The
# demonstration key, in a file only its owner reads.
install -m 600 "$root/examples/demo.key" "$work/demo.key"
export SEALWRIGHT_KEY_FILE=$work/demo.key
printf '<r><v>from linux</v></r>' >"$work/linux.xml"
"$linux/bin/sealwright" seal "$work/linux.xml" "$work/linux.sealed"
[ "$(run "$bin/flatdom.exe" get "$(windows_path "$work/linux.sealed")" r/v)" = "from linux" ]
printf '<r><v>from windows</v></r>' >"$work/windows.xml"
SEALWRIGHT_KEY_FILE=$(windows_path "$work/demo.key") \
  run "$bin/sealwright.exe" seal "$(windows_path "$work/windows.xml")" "$(windows_path "$work/windows.sealed")"
[ "$("$linux/bin/flatdom" get "$work/windows.sealed" r/v)" = "from windows" ]
[ "$(run "$bin/flatdom.exe" get - r/v <"$work/linux.sealed")" = "from linux" ]
echo "sealed files cross between Linux and Windows both ways"

# A key and opened plain text are their owner's alone. Wine turns a file's
# access list into its mode: the user alone gives user and group bits (its
# users are of one group), Everyone the bits for others.
run "$bin/sealwright.exe" keygen --out "$(windows_path "$work/windows.key")"
SEALWRIGHT_KEY_FILE=$(windows_path "$work/demo.key") run "$bin/sealwright.exe" open \
  "$(windows_path "$work/windows.sealed")" "$(windows_path "$work/windows.plain")"
for file in windows.key windows.plain; do
  mode=$(stat -c %a "$work/$file")
  [ "${mode: -1}" = 0 ] || { echo "sealwright.exe made $file with mode $mode"; exit 1; }
done
echo "sealwright.exe writes keys and plain text that others cannot read"
