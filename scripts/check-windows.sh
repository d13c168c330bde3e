#!/usr/bin/env bash
# Checks a Windows build, for either architecture alike: each DLL exports
# exactly its functions, each C++ one under its GNU name and its MSVC name at
# the same address, as scripts/windows-def.sh makes the lists today
# (flatdom.dll: the 21 functions, and SetMessageBoxHandler under its C name;
# sealwright.dll: its 8); then, under Wine (32-bit Wine for i686), the
# host-level suite, Sealwright's tests, the tests of the flatdom command's
# copy of standard input, a host built in the MSVC ABI, the differential test
# that compares the answers of both engines, both commands, sealed files
# crossing between Linux and Windows, and the warning about a key file that
# others can read.
#   check-windows.sh ARCH WINDOWS_BUILD_DIR LINUX_BUILD_DIR
set -euo pipefail
arch=$1
build=$(cd "$2" && pwd)
linux=$(cd "$3" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$build/bin
fail() { echo "check-windows ($arch): $*"; exit 1; }

# check_exports LIBRARY DEF EXPECTED_CXX EXPECTED_C: LIBRARY.dll's export
# table against its lists. The C++ exports by their GNU names, demangled, are
# EXPECTED_CXX (sealwright.dll's by function name alone: a size_t is not the
# same type on both architectures); the others, EXPECTED_C.
check_exports() {
  local library=$1 def=$2 expected_cxx=$3 expected_c=$4 table cxx c unpaired
  table=$(llvm-readobj-14 --coff-exports "$bin/$library.dll" |
    awk '$1 == "Name:" { name = $2 } $1 == "RVA:" { print name, $2 }')
  cxx=$(awk '$1 ~ /^_Z/ { print $1 }' <<<"$table" | c++filt)
  [ "$library" = flatdom ] || cxx=$(sed 's/(.*//' <<<"$cxx")
  if [ "$(sort <<<"$cxx")" != "$(sort "$expected_cxx")" ]; then
    diff <(sort <<<"$cxx") <(sort "$expected_cxx") || true
    fail "$library.dll's C++ exports differ from ${expected_cxx#$root/}"
  fi
  c=$(awk '$1 !~ /^(_Z|\?)/ { print $1 }' <<<"$table" | sort)
  [ "$c" = "$(sort "$expected_c")" ] ||
    fail "$library.dll's other exports are '$c', not those of ${expected_c#$root/}"
  # Each GNU name has its MSVC alias from the list, at the same address, and
  # nothing else is exported.
  unpaired=$(awk 'NR == FNR { address[$1] = $2; ++exports; next }
    $2 == "=" { alias[$3] = $1 }
    END {
      for (name in address) if (name ~ /^_Z/) {
        if (!(name in alias) || address[alias[name]] != address[name]) print name
        else ++pairs
      }
      for (name in address) if (name !~ /^(_Z|\?)/) ++single
      if (2 * pairs + single != exports) print "(other exports)"
    }' <(echo "$table") "$def")
  [ -z "$unpaired" ] || fail "no MSVC alias at the same address in $library.dll for: $unpaired"
  local remake="scripts/windows-def.sh $arch"
  [ "$library" = flatdom ] || remake+=" $library"
  if ! diff <("$root"/$remake) "$def"; then
    fail "${def#$root/} is out of date; remake it: $remake > ${def#$root/}"
  fi
}
check_exports flatdom "$root/src/frame/flatdom-$arch.def" "$root/tests/frame/exports.txt" \
  "$root/tests/frame/exports-windows.txt"
check_exports sealwright "$root/sealwright/sealwright-$arch.def" \
  "$root/tests/sealwright/exports.txt" /dev/null
echo "flatdom.dll ($arch) exports the 21 functions and SetMessageBoxHandler, sealwright.dll its 8," \
  "the C++ ones under their GNU and their MSVC names"

work=$(mktemp -d)
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
export WINEPREFIX=$build/wineprefix
source "$root/scripts/wine.sh"
use_wine "$arch"
[ -f "$wine" ] && [ -x "$wine" ] || fail "no Wine launcher for $arch ('$wine')"
trap '"${wine%/*}/wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
run() { "$wine" "$@" 2>/dev/null | tr -d '\r'; }

# 32-bit Windows programs need a kernel that runs 32-bit code; where it does
# not, say so and run none.
if [ "$arch" = i686 ]; then
  printf '#include <stdio.h>\nint main(void) { puts("runs"); return 0; }\n' >"$work/probe.c"
  "$arch-w64-mingw32-gcc" -static -o "$work/probe.exe" "$work/probe.c"
  reason=""
  if ! "$wine" --version >"$work/probe.err" 2>&1; then
    reason="this kernel does not run 32-bit programs ($wine is one)"
  elif [ "$("$wine" "$work/probe.exe" 2>"$work/probe.err" | tr -d '\r')" != runs ]; then
    reason="a tiny 32-bit Windows program does not run under $wine on this kernel"
  fi
  if [ -n "$reason" ]; then
    echo "NOT RUN under Wine: $reason:"
    tail -n 3 "$work/probe.err"
    echo "(only the i686 build and its exports are checked)"
    exit 0
  fi
fi

for tests in host_tests sealwright_tests flatdom_command_tests; do
  run "$bin/$tests.exe" --gtest_brief=1 >"$build/$tests.log" || { cat "$build/$tests.log"; exit 1; }
  tail -n 3 "$build/$tests.log"
done
run "$bin/msvc_host.exe" >"$build/msvc_host.log" || { cat "$build/msvc_host.log"; exit 1; }
cat "$build/msvc_host.log"

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
  "get $root/examples/config.xml configuration/device[1]/serial --xpath"
  "all $root/examples/catalogue.xml //c:item[c:stock>0]/c:name --xpath -N c=urn:example:catalogue"
  "count $root/examples/catalogue.xml //c:item/q:price --xpath -N c=urn:example:catalogue -N q=urn:example:price"
  "all $root/examples/config.xml //device/@id --as xml"
  "get $root/examples/catalogue.xml //p:price --as xml"
  "get $root/examples/config.xml count(//device) --xpath"
  "get $root/examples/catalogue.xml count(//c:item[c:stock>0]) --xpath -Nc=urn:example:catalogue"
  "get $root/examples/config.xml //device/port>8080 --xpath"
  "get $root/examples/config.xml configuration/device/port --as=int"
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

# Above, through a pipe, text went out as UTF-8. On a console it goes out as
# wide characters, which the console shows whatever its code page: here
# Wine's console on a terminal (script gives it one) in a UTF-8 locale.
shown=$(LANG=C.UTF-8 script -qec "'$wine' '$bin/flatdom.exe' get \
  '$(windows_path "$root/examples/config.xml")' configuration/device/serial" /dev/null \
  </dev/null 2>/dev/null | tr -d '\r' | sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g')
[ "$shown" = "PC-2031-ÆØÅ" ] || fail "flatdom.exe shows 'PC-2031-ÆØÅ' on a console as '$shown'"
echo "flatdom.exe writes UTF-8 to a pipe and wide characters to a console"

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

# A key file that others can read is warned of, under any name: the variable
# and the file's name are read as wide text. (Wine keeps a file's access list
# as its mode: the bits for others stand for an entry for everyone.)
shared="$work/clé ключ.key"
install -m 644 "$root/examples/demo.key" "$shared"
SEALWRIGHT_KEY_FILE=$(windows_path "$shared") \
  "$wine" "$bin/flatdom.exe" get "$(windows_path "$work/linux.sealed")" r/v \
  >"$work/stdout" 2>"$work/stderr" || true
warning="flatdom: warning: the key file $(windows_path "$shared") can be read by others than its owner"
[ "$(tr -d '\r' <"$work/stdout")" = "from linux" ] && grep -qxF "$warning" <(tr -d '\r' <"$work/stderr") ||
  { echo "flatdom.exe with a key file others can read says:"; cat "$work/stdout" "$work/stderr"; exit 1; }
echo "flatdom.exe opens with a key file of any name, and warns that others can read it"

# A key and opened plain text are their owner's alone. Wine turns a file's
# access list into its mode: the user alone gives user and group bits (its
# users are of one group), Everyone the bits for others. Keys go under the
# user's profile: Wine shows a folder that all can write (as /tmp, whose
# sticky bit it does not show) as one where others may delete what it holds,
# and keygen --out refuses it.
profile=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 ! -name Public | head -n 1)
keys=$profile/sealwright-check
rm -rf "$keys"
mkdir "$keys"
trap '"${wine%/*}/wineserver" -k 2>/dev/null || true; rm -rf "$work" "$keys"' EXIT
keys_path() { printf 'C:\\users\\%s\\sealwright-check\\%s' "${profile##*/}" "${1//\//\\}"; }
[ "$(run "$bin/sealwright.exe" keygen --out "$(windows_path "$work/refused.key")" 2>&1; echo $?)" != 0 ] ||
  fail "sealwright.exe put a key in a folder that Wine shows others may change"
[ "$(cd "$work" && run "$bin/sealwright.exe" keygen --out refused.key 2>&1; echo $?)" != 0 ] ||
  fail "sealwright.exe put a key in the current folder, which Wine shows others may change"
run "$bin/sealwright.exe" keygen --out "$(keys_path windows.key)"
mv "$keys/windows.key" "$work/windows.key"
SEALWRIGHT_KEY_FILE=$(windows_path "$work/demo.key") run "$bin/sealwright.exe" open \
  "$(windows_path "$work/windows.sealed")" "$(windows_path "$work/windows.plain")"
for file in windows.key windows.plain; do
  mode=$(stat -c %a "$work/$file")
  [ "${mode: -1}" = 0 ] || { echo "sealwright.exe made $file with mode $mode"; exit 1; }
done
echo "sealwright.exe writes keys and plain text that others cannot read"

# keygen --out makes the folders a key needs, the user's alone: all the
# user's bits, none for others. (The path is taken from the current folder.)
(cd "$keys" && run "$bin/sealwright.exe" keygen --out 'new\private\windows.key')
for folder in new new/private; do
  mode=$(stat -c %a "$keys/$folder")
  [ "${mode:0:1}${mode: -1}" = 70 ] || fail "sealwright.exe made the folder $folder with mode $mode"
done
echo "sealwright.exe makes the folders of a key, the user's alone"

# A path as long as the system takes (MAX_PATH) is sealed over twice, its
# temporary name kept within the limit.
prefix=$(windows_path "$work/")
long=$(printf "%0$((259 - ${#prefix} > 255 ? 255 : 259 - ${#prefix}))d" 0)
for _ in 1 2; do
  SEALWRIGHT_KEY_FILE=$(windows_path "$work/demo.key") \
    run "$bin/sealwright.exe" seal "$(windows_path "$work/windows.xml")" "$(windows_path "$work/$long")"
done
cmp -s "$work/windows.xml" <("$linux/bin/sealwright" open "$work/$long") ||
  fail "sealwright.exe seals to a path of $((${#prefix} + ${#long})) characters wrongly"
echo "sealwright.exe seals to paths as long as Windows takes"

# A name of full-width dots and a full-width reverse solidus (U+FF0E U+FF0E
# U+FF3C) is a name in its folder: the command reads its command line wide,
# never as the system's best fit, in which the name would lead to the parent.
mkdir "$work/sub"
name=$(printf '\xef\xbc\x8e\xef\xbc\x8e\xef\xbc\xbcescaped.xml')
SEALWRIGHT_KEY_FILE=$(windows_path "$work/demo.key") LANG=C.UTF-8 run "$bin/sealwright.exe" open \
  "$(windows_path "$work/windows.sealed")" "$(windows_path "$work/sub/")$name" || true
[ ! -e "$work/escaped.xml" ] || fail "sealwright.exe wrote outside the folder a name gave: escaped.xml"
[ -e "$work/sub/$name" ] || fail "sealwright.exe did not write the name it was given in sub"
echo "sealwright.exe writes a name of full-width characters where the name says"
