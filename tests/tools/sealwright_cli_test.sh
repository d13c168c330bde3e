#!/usr/bin/env bash
# The sealwright command as a user (and an attacker) tries it.
#   sealwright_cli_test.sh SEALWRIGHT
set -uo pipefail
# FLATDOM_EMULATOR, when set, runs the command (the build is for another system).
read -r -a emulator <<<"${FLATDOM_EMULATOR:-}"
sealwright_program=$1
sealwright() { "${emulator[@]}" "$sealwright_program" "$@"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
umask 022

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# expect STATUS STDERR_PART -- ARGS...: runs sealwright, checks its status and
# that standard error holds STDERR_PART; OUT (default a file) takes its output.
expect() {
  local status=$1 part=$2
  shift 3
  sealwright "$@" >"${OUT:-$work/out}" 2>"$work/err"
  local actual=$?
  [ "$actual" = "$status" ] || fail "sealwright $* exits $actual, not $status: $(cat "$work/err")"
  [ -z "$part" ] || grep -qF -- "$part" "$work/err" ||
    fail "sealwright $*: standard error lacks '$part': $(cat "$work/err")"
}
mode() { stat -c %a "$1"; }

sealwright --version | grep -qxE 'sealwright [0-9]+\.[0-9]+\.[0-9]+' || fail "no --version"

# Keys: printed, or written once to a new private file, never over another.
sealwright keygen | grep -qxE '[0-9a-f]{64}' || fail "keygen prints no key"
expect 0 "" -- keygen --out "$work/key"
[ "$(mode "$work/key")" = 600 ] || fail "keygen --out makes mode $(mode "$work/key")"
cp "$work/key" "$work/key.before"
expect 1 "exists already" -- keygen --out "$work/key"
cmp -s "$work/key" "$work/key.before" || fail "keygen replaced an existing key"
echo "precious" >"$work/target"
chmod 644 "$work/target"
ln -s "$work/target" "$work/link"
expect 1 "exists already" -- keygen --out "$work/link"
[ "$(cat "$work/target")" = precious ] && [ "$(mode "$work/target")" = 644 ] ||
  fail "keygen --out followed a symbolic link"
OUT=/dev/full expect 1 "standard output" -- keygen

# Sealing and opening, files and pipes; plain text is the owner's alone.
export SEALWRIGHT_KEY_FILE=$work/key
printf '<doc>caf\xc3\xa9</doc>' >"$work/doc.xml"
expect 0 "" -- seal "$work/doc.xml" "$work/doc.sealed"
expect 0 "" -- open "$work/doc.sealed" "$work/plain.xml"
cmp -s "$work/doc.xml" "$work/plain.xml" || fail "open gives other bytes than were sealed"
[ "$(mode "$work/plain.xml")" = 600 ] || fail "open writes plain text with mode $(mode "$work/plain.xml")"
chmod 644 "$work/plain.xml"
expect 0 "" -- open "$work/doc.sealed" "$work/plain.xml"
[ "$(mode "$work/plain.xml")" = 600 ] || fail "open leaves an existing output readable by others"
[ "$(sealwright seal - - <"$work/doc.xml" | sealwright open -)" = "$(cat "$work/doc.xml")" ] ||
  fail "seal and open through pipes"

# Failures say what failed and exit 1, never crash, never claim success.
expect 1 "is a folder" -- seal "$work" "$work/out.sealed"
expect 1 "is a folder" -- open "$work"
expect 1 "/dev/full" -- seal "$work/doc.xml" /dev/full
OUT=/dev/full expect 1 "standard output" -- open "$work/doc.sealed"
expect 1 "No such file" -- seal "$work/missing.xml" "$work/x"
printf '<doc>caf\xe9</doc>' >"$work/latin1.xml"
expect 1 "neither UTF-8 nor UTF-16" -- seal "$work/latin1.xml" "$work/latin1.sealed"
printf '<\0d\0/\0>\0' >"$work/utf16.xml"
expect 1 "neither UTF-8 nor UTF-16" -- seal "$work/utf16.xml" "$work/utf16.sealed"
[ -e "$work/latin1.sealed" ] && fail "a text that would never open was sealed"

# No input larger than the cipher takes is read: a file is refused from its
# size (sparse here; reading it would take more memory than the limit set
# where one can be), standard input once it has given a byte too many.
truncate -s 3G "$work/huge.xml"
head -c 21 "$work/doc.sealed" >"$work/huge.sealed"
truncate -s 8G "$work/huge.sealed"
(if [ -z "${FLATDOM_EMULATOR:-}" ]; then
  case $(ldd "$sealwright_program" 2>/dev/null) in
    *libasan*) ;;  # a sanitizer's shadow memory needs more
    *) ulimit -v 1048576 ;;
  esac
fi
failures=0
expect 1 "huge.xml: is larger than a document that can be sealed (2147483647 bytes)" -- \
  seal "$work/huge.xml" "$work/out.sealed"
expect 1 "huge.sealed: is larger than a sealed file can be (2147483684 bytes)" -- \
  open "$work/huge.sealed" "$work/out.xml"
exit "$failures") || failures=$((failures + 1))
rm -f "$work/huge.xml" "$work/huge.sealed"
[ -e "$work/out.sealed" ] || [ -e "$work/out.xml" ] && fail "a refused input left an output"

# A write that fails half way (a file-size limit stands in for a full disk)
# leaves what was there as it was, and nothing beside it.
mkdir "$work/disk"
printf '<doc>%020000d</doc>' 0 >"$work/big.xml"
expect 0 "" -- seal "$work/big.xml" "$work/big.sealed"
cp "$work/doc.sealed" "$work/disk/doc.sealed"
cp "$work/doc.xml" "$work/disk/plain.xml"
limited() {  # limited KIB STATUS STDERR_PART -- ARGS...: expect, with files of KIB at most
  local kib=$1 status=$2 part=$3
  shift 4
  # Standard error through a pipe, which the limit does not bound.
  (ulimit -f "$kib" && trap '' XFSZ && exec "${emulator[@]}" "$sealwright_program" "$@") \
    2>&1 >/dev/null | cat >"$work/err"
  local actual=${PIPESTATUS[0]}
  [ "$actual" = "$status" ] || fail "sealwright $* exits $actual, not $status: $(cat "$work/err")"
  grep -qF -- "$part" "$work/err" ||
    fail "sealwright $*: standard error lacks '$part': $(cat "$work/err")"
}
limited 4 1 "doc.sealed: File too large" -- seal "$work/big.xml" "$work/disk/doc.sealed"
limited 4 1 "plain.xml: File too large" -- open "$work/big.sealed" "$work/disk/plain.xml"
limited 0 1 "new.key: File too large" -- keygen --out "$work/disk/new.key"
cmp -s "$work/doc.sealed" "$work/disk/doc.sealed" || fail "a failed seal changed its output"
cmp -s "$work/doc.xml" "$work/disk/plain.xml" || fail "a failed open changed its output"
[ "$(ls -A "$work/disk" | tr '\n' ' ')" = "doc.sealed plain.xml " ] ||
  fail "failed writes left behind: $(ls -A "$work/disk")"

# Keys from the environment: bounded, refused at once when no regular file
# (a FIFO that nobody writes to as well), and named when others can read or
# change them or they belong to another user.
SEALWRIGHT_KEY_FILE=/dev/zero expect 1 "not a regular file" -- open "$work/doc.sealed"
mkfifo "$work/key.fifo"
SEALWRIGHT_KEY_FILE=$work/key.fifo timeout 20 "${emulator[@]}" "$sealwright_program" \
  open "$work/doc.sealed" >/dev/null 2>"$work/err"
status=$?
[ "$status" = 1 ] && grep -q "key.fifo is not a regular file" "$work/err" ||
  fail "a FIFO as the key file: exit $status: $(cat "$work/err")"
SEALWRIGHT_KEY= expect 0 "" -- open "$work/doc.sealed"
for mode in "644 can be read by others" "620 can be changed by others" \
  "602 can be changed by others" "666 can be read and changed by others"; do
  chmod "${mode%% *}" "$work/key"
  expect 0 "${mode#* }" -- open "$work/doc.sealed"
done
chmod 600 "$work/key"
if [ "$(id -u)" = 0 ]; then
  chown 65534 "$work/key"
  expect 0 "key belongs to another user" -- open "$work/doc.sealed"
  chown 0 "$work/key"
else
  echo "skipped: a key file of another user (giving it away takes root)"
fi
unset SEALWRIGHT_KEY_FILE
expect 1 "no key" -- open "$work/doc.sealed"

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "sealwright command: all cases passed"
