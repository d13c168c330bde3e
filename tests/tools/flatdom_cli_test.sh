#!/usr/bin/env bash
# The flatdom command as a user sees it, run as a process on the examples.
#   flatdom_cli_test.sh FLATDOM EXAMPLES_DIR WITHOUT_MEMFD
# WITHOUT_MEMFD: a library that, preloaded, takes anonymous files away.
set -uo pipefail
# FLATDOM_EMULATOR, when set, runs the command (the build is for another system).
read -r -a emulator <<<"${FLATDOM_EMULATOR:-}"
flatdom_program=$1
flatdom() { "${emulator[@]}" "$flatdom_program" "$@"; }
examples=$2
without_memfd=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect STATUS EXPECTED_STDOUT -- ARGS...: runs flatdom, checks both.
expect() {
  local status=$1 expected=$2
  shift 3
  local out actual
  out=$(flatdom "$@" 2>"$work/stderr")
  actual=$?
  if [ "$actual" != "$status" ] || [ "$out" != "$expected" ]; then
    echo "FAIL: flatdom $*"
    echo "  status $actual (wanted $status), output: $out"
    echo "  wanted: $expected"
    failures=$((failures + 1))
  fi
}
stderr_has() {
  if ! grep -qF -- "$1" "$work/stderr"; then
    echo "FAIL: standard error lacks '$1':"; sed 's/^/  /' "$work/stderr"
    failures=$((failures + 1))
  fi
}

config=$examples/config.xml
catalogue=$examples/catalogue.xml

# Every reading of a node.
expect 0 "PC-2031-ÆØÅ" -- get "$config" configuration/device/serial
expect 0 "PC-2031-ÆØÅ" -- get "$config" configuration/device/serial --as text
expect 0 "8080" -- get "$config" configuration/device/port --as int
expect 0 "-256" -- get "$config" configuration/device/mask --as hex
expect 0 "8000" -- get "$config" configuration/device/@id --as auto
expect 0 "8000" -- get "$config" configuration/device/@id --as int  # same as auto
expect 0 "2.5" -- get "$config" configuration/device/timeout --as float
expect 0 "name" -- get "$catalogue" //cat:name --as name
expect 0 "$(printf 'Desk lamp\nCafé table\nBookshelf, oak')" -- all "$catalogue" //cat:name
expect 0 "$(printf '39.9\n149\n219.5')" -- all "$catalogue" //p:price --as float
expect 0 "3" -- count "$catalogue" //cat:item
expect 0 "2" -- count "$config" //device

# No match, load failures, usage errors.
expect 1 "" -- get "$config" configuration/nothing
expect 1 "" -- all "$config" //nothing
expect 1 "0" -- count "$config" //nothing
expect 2 "" -- get "$examples/broken.xml" //item
stderr_has "PARSE ERROR! $examples/broken.xml @ line 5"
stderr_has "could not be loaded"

# Input that cannot be had stops the command with its reason: nothing else
# is read in its place (here a file named "-"), no parse error is reported.
cd "$work" || exit 1
printf '<r><v>X</v></r>' >"$work/-"
awk 'BEGIN { printf "<r>"; for (i = 0; i < 200000; i++) printf "<v>%d</v>", i; print "</r>" }' \
  >"$work/many.xml"
limited() {  # limited KIB STATUS EXPECTED_STDOUT -- ARGS...: expect, with files of KIB at most
  local kib=$1
  shift
  (ulimit -f "$kib" && trap '' XFSZ && failures=0 && expect "$@" && exit "$failures") ||
    failures=$((failures + 1))
}
for input in missing folder write-only limited; do
  case $input in
    missing) expect 2 "" -- get "$examples/missing.xml" //item
      stderr_has "missing.xml: No such file or directory" ;;
    folder) expect 2 "" -- get "$examples" //item
      stderr_has "$examples: Is a directory" ;;
    write-only) expect 2 "" -- get - r/v 0>"$work/write-only"
      stderr_has "flatdom: -: Bad file descriptor" ;;
    limited) limited 64 2 "" -- get - r/v <"$work/many.xml"
      stderr_has "flatdom: -: its copy cannot be written: File too large" ;;
  esac
  if grep -q "PARSE ERROR" "$work/stderr"; then
    echo "FAIL: input $input: a parse error reported for input that could not be had"
    failures=$((failures + 1))
  fi
done
expect 2 "" -- get - r/v <"$examples"
stderr_has "flatdom: -: Is a directory"
cd - >/dev/null || exit 1
expect 2 "" -- get "$config" '//device['
stderr_has "flatdom: not a valid query: //device["
expect 2 "" -- get "$config" "$(printf '\xc0\xaf')"
stderr_has "argument 3 is not valid UTF-8"
expect 2 "" -- get "$config" //device --as "$(printf 'in\xfft')"
stderr_has "argument 5 is not valid UTF-8"
if flatdom get "$config" configuration/device/serial >/dev/full 2>"$work/stderr"; then
  echo "FAIL: output to a full disk reported as success"; failures=$((failures + 1))
fi
stderr_has "could not be written: No space left on device"

# Usage errors: standard error says what is wrong, then shows the usage.
usage_error() {  # usage_error WHAT ARGS...: flatdom ARGS is a usage error saying WHAT
  local what=$1
  shift
  expect 2 "" -- "$@"
  if [ "$(head -n 1 "$work/stderr")" != "flatdom: $what" ] ||
    ! grep -q "^usage: flatdom get" "$work/stderr"; then
    echo "FAIL: flatdom $*: standard error should say 'flatdom: $what', then the usage:"
    sed 's/^/  /' "$work/stderr"
    failures=$((failures + 1))
  fi
}
usage_error "no command given"
usage_error "unknown command frobnicate" frobnicate
usage_error "unknown command --" --
usage_error "count needs FILE and QUERY" count
usage_error "get needs FILE and QUERY: QUERY is missing" get "$config"
usage_error "unexpected argument extra" all "$config" //device extra
usage_error "fixed needs NUMBER and DIGITS: DIGITS is missing" fixed 1.5
usage_error "hex needs TEXT" hex
usage_error "unexpected argument 2" hex 1 2
usage_error "unknown option --colour" get "$config" //device --colour
usage_error "--as needs a value" get "$config" //device --as
usage_error "--as takes text, name, int, hex, auto, float or xml, not bogus" \
  get "$config" //device --as bogus
usage_error "count takes no --as" count "$config" //device --as int
usage_error "fixed takes no --xpath" fixed 1 2 --xpath
usage_error "-N binds prefixes for --xpath queries only" count "$catalogue" //c:item -N c=urn:c
usage_error "-N needs a value" count "$catalogue" //c:item --xpath -N
usage_error "-N takes PREFIX=URI, not c" count "$catalogue" //c:item --xpath -N c
usage_error "-N takes PREFIX=URI, not =urn:c" count "$catalogue" //c:item --xpath -N =urn:c
usage_error "-N c=a'b\"c: a namespace URI may hold ' or \", not both" \
  count "$catalogue" //c:item --xpath -N "c=a'b\"c"
usage_error "--xpath takes no value" count "$catalogue" //c:item --xpath=yes
usage_error "unexpected argument --xpath" count "$catalogue" -- //c:item --xpath

# Values in the option's own argument; words after -- or starting with -.
expect 0 "8080" -- get "$config" configuration/device/port --as=int
expect 0 "3" -- count "$catalogue" //c:item --xpath -Nc=urn:example:catalogue
cp "$config" "$work/-x.xml"
cp "$config" "$work/--y.xml"
(cd "$work" && expect 0 "2" -- count -x.xml //device && expect 0 "2" -- count -- --y.xml //device &&
  exit "$failures") || failures=$((failures + 1))

# Every command explains itself, and help is the usage too, on standard
# output; the command says its version.
for command in get all count fixed hex help; do
  flatdom "$command" --help | grep -q "^usage: flatdom get" ||
    { echo "FAIL: $command --help"; failures=$((failures + 1)); }
done
expect 0 "$(flatdom --help)" -- help
flatdom help | grep -q "indexes in brackets count from 0" &&
  flatdom help | grep -q "In XPath 1.0 indexes count from 1" ||
  { echo "FAIL: the usage does not say where indexes start"; failures=$((failures + 1)); }

# XPath 1.0 with --xpath: indexes from 1, prefixes bound by -N (and not by the
# names the document writes), XPath's functions and not the patterns' methods.
items=urn:example:catalogue
expect 0 "VA-0007" -- get "$config" "configuration/device[1]/serial"
expect 0 "PC-2031-ÆØÅ" -- get "$config" "configuration/device[1]/serial" --xpath
expect 0 "VA-0007" -- get "$config" "configuration/device[last()]/serial" --xpath
expect 0 "VA-0007" -- get "$config" "//device[contains(@name, 'Valve')]/serial" --xpath
expect 0 "3" -- count "$catalogue" //c:item --xpath -N c=$items
expect 0 "$(printf 'Desk lamp\nCafé table')" -- all "$catalogue" \
  "//c:item[c:stock > 0]/c:name" --xpath -N c=$items
expect 0 "39.9" -- get "$catalogue" //c:item/q:price --as float --xpath -N c=$items \
  -N q=urn:example:price
expect 1 "0" -- count "$catalogue" //c:item --xpath -N c=urn:example:other
expect 2 "" -- get "$config" "//device[end()]" --xpath
stderr_has "not a valid query: //device[end()]"
expect 2 "" -- count "$catalogue" //c:item --xpath
stderr_has "not a valid query: //c:item"
printf '<r xmlns:a="it'"'"'s"><a:x/></r>' >"$work/quote.xml"
expect 0 "1" -- count "$work/quote.xml" //b:x --xpath -N "b=it's"
expect 0 "1" -- count - //b:x --xpath -N "b=it's" <"$work/quote.xml"

# An XPath expression that gives a value: get prints it, as xmllint does;
# all and count refuse it, saying so.
while IFS='|' read -r expression value; do
  expect 0 "$value" -- get "$config" "$expression" --xpath
done <<'EOF2'
count(//device)|2
count(//device) div 4|0.5
string(//device/@name)|Pump Controller
//device/port > 8080|true
1 div 0|Infinity
string(//nothing)|
EOF2
expect 0 "3" -- get "$catalogue" "count(//c:item)" --xpath -N c=$items
for command in all count; do
  expect 2 "" -- "$command" "$config" "count(//device)" --xpath
  stderr_has "count(//device) selects no nodes: its value is 2"
done
expect 2 "" -- get "$config" "count(//device" --xpath
stderr_has "not a valid query: count(//device"
expect 2 "" -- get "$config" "count(//device)"  # a value in XPath only
stderr_has "not a valid query: count(//device)"

# A node as XML text.
expect 0 "<port>8080</port>" -- get "$config" configuration/device/port --as xml
expect 0 "$(printf 'id="0x1F40"\nid="0x1F41"')" -- all "$config" //device/@id --as xml
expect 0 '<p:price currency="EUR">39.90</p:price>' -- get "$catalogue" //p:price --as xml
expect 0 "<r xmlns:a=\"it's\"><a:x/></r>" -- get "$work/quote.xml" / --as xml
flatdom --version | grep -qxE 'flatdom [0-9]+\.[0-9]+\.[0-9]+' ||
  { echo "FAIL: flatdom --version"; failures=$((failures + 1)); }

# Sealed files, with and without the key; why one does not open.
install -m 600 "$examples/demo.key" "$work/demo.key"
export SEALWRIGHT_KEY_FILE=$work/demo.key
expect 0 "1234" -- get "$examples/secrets.sealed" secrets/account/pin --as auto
# The warning names the key file as it is named, in any characters.
install -m 644 "$examples/demo.key" "$work/clé partagée.key"
SEALWRIGHT_KEY_FILE="$work/clé partagée.key" expect 0 "1234" -- get "$examples/secrets.sealed" \
  secrets/account/pin --as auto
stderr_has "warning: the key file $work/clé partagée.key can be read by others"
unset SEALWRIGHT_KEY_FILE
expect 2 "" -- get "$examples/secrets.sealed" secrets/account/pin
stderr_has "secrets.sealed: no key: set SEALWRIGHT_KEY or SEALWRIGHT_KEY_FILE"
if grep -q "PARSE ERROR" "$work/stderr"; then
  echo "FAIL: a sealed file without its key must not be reported as a parse error"
  failures=$((failures + 1))
fi
SEALWRIGHT_KEY=$(printf '0%.0s' {1..64}) expect 2 "" -- get "$examples/secrets.sealed" secrets
stderr_has "not sealed with this key, or it was changed since"
# A sealed file larger than any can be is refused from its size, unread
# (reading it would take more memory than the limit here, where one can be set).
head -c 21 "$examples/secrets.sealed" >"$work/huge.sealed"
truncate -s 8G "$work/huge.sealed"
(if [ -z "${FLATDOM_EMULATOR:-}" ]; then
  case $(ldd "$flatdom_program" 2>/dev/null) in
    *libasan*) ;;  # a sanitizer's shadow memory needs more
    *) ulimit -v 1048576 ;;
  esac
fi
failures=0
SEALWRIGHT_KEY_FILE=$work/demo.key expect 2 "" -- get "$work/huge.sealed" secrets
exit "$failures") || failures=$((failures + 1))
stderr_has "huge.sealed: it is larger than a sealed file can be"
rm -f "$work/huge.sealed"
mkfifo "$work/key.fifo"  # nobody writes to it: refused, not waited for
SEALWRIGHT_KEY_FILE=$work/key.fifo timeout 20 "${emulator[@]}" "$flatdom_program" \
  get "$examples/secrets.sealed" secrets >/dev/null 2>"$work/stderr"
status=$?
[ "$status" = 2 ] || { echo "FAIL: a FIFO as the key file: exit $status"; failures=$((failures + 1)); }
stderr_has "key.fifo is not a regular file"

# Not dumpable from its start, as it may hold keys and plain text: waiting
# for its input, the command's /proc files are the administrator's, not its
# user's (a user other than root; nobody, when the test runs as root).
user=()
[ "$(id -u)" = 0 ] && command -v setpriv >/dev/null &&
  user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
if [ "$(id -u)" = 0 ] && [ ${#user[@]} = 0 ]; then
  echo "skipped: the dumpable check (as root, it needs setpriv)"
else
  chmod 711 "$work"
  mkfifo -m 666 "$work/waiting.fifo"
  "${user[@]}" "${emulator[@]}" "$flatdom_program" count "$work/waiting.fifo" //x >/dev/null 2>&1 &
  waiting=$!
  for _ in $(seq 50); do
    owner=$(stat -c %u "/proc/$waiting/status" 2>/dev/null)
    [ "$owner" = 0 ] && break
    sleep 0.1
  done
  printf '<x/>' 1<>"$work/waiting.fifo"
  wait "$waiting"
  [ "$owner" = 0 ] || { echo "FAIL: the command's /proc files belong to user $owner: it can be dumped"
    failures=$((failures + 1)); }
fi

# Standard input, pipes and FIFOs: read once, whole.
expect 0 "2" -- count - //device <"$config"
expect 0 "2" -- count <(cat "$config") //device
mkfifo "$work/fifo"
cat "$config" >"$work/fifo" &
if [ "$(timeout 20 "${emulator[@]}" "$flatdom_program" count "$work/fifo" //device)" != 2 ]; then
  echo "FAIL: flatdom count FIFO //device"; failures=$((failures + 1))
fi

# No copy of standard input is left on disk, even when a closed pipe ends
# the command half way.
mkdir "$work/tmp"
TMPDIR=$work/tmp "${emulator[@]}" "$flatdom_program" all - r/v <"$work/many.xml" | head -1 >/dev/null
[ -z "$(ls -A "$work/tmp")" ] || { echo "FAIL: a copy of standard input was left: $(ls "$work/tmp")"
  failures=$((failures + 1)); }

# Without anonymous files (no memfd_create; with FLATDOM_TEST_NO_TMPFILE, no
# unnamed files either) the copy still has no name, from its first byte: the
# folder stays empty while the command copies, and after it is killed.
for unnamed in tmpfile unlinked; do
  folder=$work/tmp-$unnamed
  mkdir "$folder"
  without=(env LD_PRELOAD="$without_memfd" TMPDIR="$folder"
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0")
  [ "$unnamed" = unlinked ] && without+=(FLATDOM_TEST_NO_TMPFILE=1)
  if [ "$("${without[@]}" "${emulator[@]}" "$flatdom_program" count - //device <"$config")" != 2 ]
  then
    echo "FAIL: count - //device without anonymous files ($unnamed)"; failures=$((failures + 1))
  fi
  mkfifo "$work/slow-$unnamed"
  exec {feed}<>"$work/slow-$unnamed"
  "${without[@]}" "${emulator[@]}" "$flatdom_program" get - r/v <"$work/slow-$unnamed" \
    >/dev/null 2>&1 &
  copying=$!
  printf '<r><v>half of it' >&"$feed"
  opened=no
  for _ in $(seq 200); do  # until the copy is open
    for link in "/proc/$copying/fd/"*; do
      [[ "$(readlink "$link" 2>/dev/null)" == "$folder"/* ]] && opened=yes
    done
    [ "$opened" = yes ] && break
    sleep 0.1
  done
  [ "$opened" = yes ] || { echo "FAIL: no copy of standard input opened in $folder ($unnamed)"
    failures=$((failures + 1)); }
  copying_left=$(ls -A "$folder")
  kill -KILL "$copying"
  wait "$copying" 2>/dev/null
  exec {feed}>&-
  killed_left=$(ls -A "$folder")
  if [ -n "$copying_left$killed_left" ]; then
    echo "FAIL: the copy of standard input had a name ($unnamed): '$copying_left' while it" \
      "was made, '$killed_left' when the command was killed"
    failures=$((failures + 1))
  fi
done

# Wide characters in a path; on Linux a name is bytes, UTF-8 or not.
cp "$config" "$work/ünï €.xml"
expect 0 "VA-0007" -- all "$work/ünï €.xml" "configuration/device[@name='Valve Array']/serial"
latin1=$work/$(printf 'd\xe9j\xe0.xml')
cp "$config" "$latin1"
expect 0 "2" -- count "$latin1" //device
expect 0 "2" -- count "FILE:$latin1" //device
expect 2 "" -- count "$work/$(printf 'missing\xff.xml')" //device
stderr_has "missing�.xml: No such file or directory"

# Numbers read from text that is no number of that form: the value the
# library gives, and a warning, the status unchanged.
printf '<r><n>app</n><big>99999999999</big><v>2.4.1</v><h>zz</h><w>123456789</w><ok>-12</ok><x>0x1F</x><f> 2.5e3</f></r>' \
  >"$work/numbers.xml"
while IFS='|' read -r words value warning; do
  read -r -a words <<<"$words"
  expect 0 "$value" -- "${words[@]}"
  if [ -n "$warning" ]; then
    stderr_has "flatdom: warning: $warning"
  elif [ -s "$work/stderr" ]; then
    echo "FAIL: flatdom ${words[*]} warns: $(cat "$work/stderr")"; failures=$((failures + 1))
  fi
done <<EOF2
hex 0x10|8464|"0x10" is not a hexadecimal number (hex reads digits alone, no 0x)
hex zz|595|"zz" is not a hexadecimal number
hex 123456789|591751049|"123456789" has more than 8 hexadecimal digits: the value wraps at 32 bits
hex FFFFFFFF|-1|
get $work/numbers.xml r/n --as int|0|"app" is not a decimal number
get $work/numbers.xml r/big --as auto|2147483647|"99999999999" is beyond the 32-bit range: read as the nearest bound
get $work/numbers.xml r/v --as float|2.4|"2.4.1" is not a floating-point number
get $work/numbers.xml r/h --as hex|595|"zz" is not a hexadecimal number
get $work/numbers.xml r/w --as hex|591751049|"123456789" has more than 8 hexadecimal digits
get $work/numbers.xml r/ok --as int|-12|
get $work/numbers.xml r/x --as int|31|
get $work/numbers.xml r/x --as hex|31|
get $work/numbers.xml r/f --as float|2500|
EOF2

# The conversions.
expect 0 "3.14" -- fixed 3.14159 2
expect 0 "1235" -- fixed 1234.56 -1
expect 0 "0.1000000015" -- fixed 0.1 10 --float
expect 0 "26" -- hex 1A
expect 0 "8474" -- hex 0x1A
expect 2 "" -- fixed abc 2

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "flatdom command: all cases passed"
