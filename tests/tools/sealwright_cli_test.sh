#!/usr/bin/env bash
# The sealwright command as a user (and an attacker) tries it.
#   sealwright_cli_test.sh SEALWRIGHT
set -uo pipefail
# FLATDOM_EMULATOR, when set, runs the command (the build is for another system).
read -r -a emulator <<<"${FLATDOM_EMULATOR:-}"
sealwright_program=$1
# runas, when set, runs the command as another user.
runas=()
sealwright() { "${runas[@]}" "${emulator[@]}" "$sealwright_program" "$@"; }
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
[ "$(sealwright open "$work/doc.sealed" /dev/stdout | cat)" = "$(cat "$work/doc.xml")" ] ||
  fail "open to a pipe through /dev/stdout"
# /dev/stdout on a file is the caller's descriptor, written as standard
# output is: what the caller wrote before and after stays.
{ echo header; sealwright open "$work/doc.sealed" /dev/stdout; echo footer; } >"$work/log"
[ "$(cat "$work/log")" = "header"$'\n'"$(cat "$work/doc.xml")footer" ] ||
  fail "open to a file through /dev/stdout leaves: $(cat "$work/log")"

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
expect 1 "doc.xml is not a sealed file" -- open "$work/doc.xml"
expect 1 "doc.sealed is already sealed" -- seal "$work/doc.sealed" "$work/twice.sealed"
# Plain text goes to no FIFO that others can read (a reader is there: the
# test's own end, which never blocks).
mkfifo -m 644 "$work/readable.fifo"
exec 9<>"$work/readable.fifo"
expect 1 "others can read" -- open "$work/doc.sealed" "$work/readable.fifo"
printf '\n#end\n' >&9
got=$(sed '/^#end$/q' <&9)
exec 9>&-
[ "$got" = $'\n#end' ] || fail "a FIFO that others can read received: ${got%#end}"

# No input larger than the cipher takes is read: a file is refused from its
# size (sparse here; reading it would take more memory than the limit set
# where one can be), standard input once it has given a byte too many.
truncate -s 3G "$work/huge.xml"
head -c 21 "$work/doc.sealed" >"$work/huge.sealed"
truncate -s 8G "$work/huge.sealed"
(bounded=${FLATDOM_EMULATOR:-}  # a 32-bit build cannot hold it: no memory is spent
if [ -z "$bounded" ]; then
  case $(ldd "$sealwright_program" 2>/dev/null) in
    *libasan*) ;;  # a sanitizer's shadow memory needs more
    *) ulimit -v 1048576 && bounded=1 ;;
  esac
fi
failures=0
# A sealed file at the limit takes more memory than there is: a sentence
# that names it, whatever the build.
if [ -n "$bounded" ]; then
  head -c 21 "$work/doc.sealed" >"$work/limit.sealed"
  truncate -s 2147483684 "$work/limit.sealed"
  expect 1 "limit.sealed: " -- open "$work/limit.sealed" "$work/out.xml"
  grep -q "vector\|::" "$work/err" && fail "open at the size limit says: $(cat "$work/err")"
  rm -f "$work/limit.sealed"
fi
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
# Killed half way (the limit's signal, not caught), a write leaves nothing
# behind either: the new file has no name until it is complete.
killed() {  # killed KIB ARGS...: runs sealwright with files of KIB at most
  local kib=$1
  shift
  local actual
  # The shell's own notice of the signal goes where the command's output goes.
  actual=$( (ulimit -f "$kib" && exec "${emulator[@]}" "$sealwright_program" "$@") \
    >/dev/null 2>&1
    echo $?) 2>/dev/null
  [ "$actual" -gt 128 ] || fail "sealwright $* was not killed by the file-size limit: $actual"
}
killed 4 seal "$work/big.xml" "$work/disk/doc.sealed"
killed 4 open "$work/big.sealed" "$work/disk/plain.xml"
killed 4 open "$work/big.sealed" "$work/disk/new.xml"
cmp -s "$work/doc.sealed" "$work/disk/doc.sealed" || fail "a failed seal changed its output"
cmp -s "$work/doc.xml" "$work/disk/plain.xml" || fail "a failed open changed its output"
[ "$(ls -A "$work/disk" | tr '\n' ' ')" = "doc.sealed plain.xml " ] ||
  fail "failed writes left behind: $(ls -A "$work/disk")"

# Names as long as a folder takes: the temporary name stays within the limit.
mkdir "$work/long"
for length in 250 255; do
  name() { printf "%s%0$((length - 1))d" "$1" 0; }
  expect 0 "" -- keygen --out "$work/long/$(name k)"
  expect 0 "" -- seal "$work/doc.xml" "$work/long/$(name s)"
  expect 0 "" -- seal "$work/doc.xml" "$work/long/$(name s)"
  expect 0 "" -- open "$work/long/$(name s)" "$work/long/$(name o)"
  cmp -s "$work/doc.xml" "$work/long/$(name o)" || fail "open to a name of $length characters"
done
[ "$(ls -A "$work/long" | wc -l)" = 6 ] || fail "long names left behind: $(ls -A "$work/long")"
# A path of 4,094 bytes, replaced: the temporary name is made in the folder,
# never as a whole path longer than the system takes.
long=$work/deep
while [ $((4094 - ${#long})) -gt 250 ]; do long+=/$(printf '%0200d' 0); done
mkdir -p "$long"
long+=/$(printf "%0$((4094 - ${#long} - 1))d" 0)
expect 0 "" -- seal "$work/doc.xml" "$long"
expect 0 "" -- seal "$work/doc.xml" "$long"
[ "$(sealwright open "$long")" = "$(cat "$work/doc.xml")" ] || fail "a path of ${#long} bytes"

# Killed at each system call that writes or names a file, open leaves the
# old file or the new one, whole. Only between the link of the new file and
# its rename over the old one does it have a second name (the user's alone):
# the next run removes it.
if command -v strace >/dev/null && [ -z "${FLATDOM_EMULATOR:-}" ]; then
  mkdir "$work/kills"
  printf '<doc>new</doc>' >"$work/new.xml"
  sealwright seal "$work/new.xml" "$work/new.sealed"
  for step in write fsync linkat rename renameat renameat2; do
    cp "$work/doc.xml" "$work/kills/plain.xml"
    # The shell's own notice of the kill goes where the command's output goes.
    (strace -f -qq -o /dev/null -e "trace=$step" -e "inject=$step:signal=KILL" \
      "$sealwright_program" open "$work/new.sealed" "$work/kills/plain.xml" >/dev/null 2>&1) \
      2>/dev/null
    cmp -s "$work/kills/plain.xml" "$work/doc.xml" || cmp -s "$work/kills/plain.xml" "$work/new.xml" ||
      fail "killed at $step, open left a cut file"
    left=$(ls -A "$work/kills" | grep -vx plain.xml)
    case $step:$left in
      *: | rename*:.plain.xml.[0-9a-f]*) ;;
      *) fail "killed at $step, open left: $left" ;;
    esac
    expect 0 "" -- open "$work/new.sealed" "$work/kills/plain.xml"
    [ "$(ls -A "$work/kills")" = plain.xml ] ||
      fail "the run after a kill at $step leaves: $(ls -A "$work/kills" | tr '\n' ' ')"
  done
  # Another run's new file is no leftover: one run waits between its link
  # and its rename while a second writes the same name; both succeed. (The
  # sanitizers' leak check cannot run under strace.)
  renames=rename,renameat,renameat2
  ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" strace -f -qq -o /dev/null \
    -e "trace=$renames" -e "inject=$renames:delay_enter=2000000" \
    "$sealwright_program" open "$work/new.sealed" "$work/kills/plain.xml" 2>"$work/slow.err" &
  slow=$!
  for _ in $(seq 100); do ls -A "$work/kills" | grep -q '^\.' && break; sleep 0.05; done
  expect 0 "" -- open "$work/new.sealed" "$work/kills/plain.xml"
  wait "$slow" || fail "a run beside another that writes the same name: $(cat "$work/slow.err")"
  [ "$(ls -A "$work/kills")" = plain.xml ] || fail "two runs at once leave: $(ls -A "$work/kills")"
else
  echo "skipped: kills at each system call (they need strace, and no emulator)"
fi

# A replaced file's permission bits stay, its special bits never do.
for modes in 640:640 4755:755 2750:750 1604:604 6777:777; do
  cp "$work/doc.sealed" "$work/modes"
  chmod "${modes%:*}" "$work/modes"
  expect 0 "" -- seal "$work/doc.xml" "$work/modes"
  [ "$(mode "$work/modes")" = "${modes#*:}" ] ||
    fail "seal over mode ${modes%:*} makes mode $(mode "$work/modes"), not ${modes#*:}"
  rm "$work/modes"
done

# keygen --out makes the folders a key needs (as on a new home), private ones.
mkdir "$work/home"
expect 0 "" -- keygen --out "$work/home/.config/flatdom/flatdom.key"
[ "$(mode "$work/home/.config")/$(mode "$work/home/.config/flatdom")" = 700/700 ] ||
  fail "keygen --out makes folders of modes $(mode "$work/home/.config") $(mode "$work/home/.config/flatdom")"
[ "$(mode "$work/home")" = 755 ] || fail "keygen --out changed the mode of an existing folder"
[ "$(mode "$work/home/.config/flatdom/flatdom.key")" = 600 ] || fail "keygen --out in new folders"
expect 1 "Not a directory" -- keygen --out "$work/doc.xml/folder/flatdom.key"

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

# Shared folders: another user plants a FIFO or a symbolic link where the
# victim writes. Both are users without privileges: root would pass checks
# that the victim must meet.
victim=$(getent passwd nobody | cut -d: -f3,4)
attacker=$(getent passwd daemon | cut -d: -f3,4)
if [ "$(id -u)" != 0 ] || ! command -v setpriv >/dev/null || [ -z "$victim" ] ||
  [ -z "$attacker" ]; then
  echo "SKIPPED: the shared-folder cases (they need root, setpriv and the users nobody and daemon)"
else
  as() {  # as UID:GID COMMAND...
    local user=$1
    shift
    setpriv --reuid="${user%:*}" --regid="${user#*:}" --clear-groups "$@"
  }
  # The kernel's own rule off, as on machines that turn it off: the command
  # must keep it by itself.
  protected=$(cat /proc/sys/fs/protected_symlinks 2>/dev/null || echo 0)
  if [ "$protected" != 0 ]; then
    if echo 0 2>/dev/null >/proc/sys/fs/protected_symlinks; then
      trap 'echo "$protected" >/proc/sys/fs/protected_symlinks; rm -rf "$work"' EXIT
    else
      echo "note: fs.protected_symlinks stays $protected here (read-only): the kernel refuses the links too"
    fi
  fi
  chmod 711 "$work"
  people=$work/people shared=$work/people/shared home=$work/people/victim
  theirs=$work/people/attacker
  mkdir -m 755 "$people"
  mkdir -m 1777 "$shared"
  mkdir -m 700 "$home"
  mkdir -m 755 "$theirs"
  cp "$work/doc.xml" "$work/doc.sealed" "$home/"
  chown -R "$victim" "$home"
  chown "$attacker" "$theirs"
  SEALWRIGHT_KEY=$(cat "$work/key")
  export SEALWRIGHT_KEY
  if ! as "$victim" "${emulator[@]}" "$sealwright_program" --version >/dev/null 2>&1; then
    echo "SKIPPED: the shared-folder cases (user nobody cannot run $sealwright_program)"
  else
    # A FIFO another user made never takes the output, with a reader or
    # without one (then the command would wait for ever).
    runas=(timeout 10 setpriv --reuid="${victim%:*}" --regid="${victim#*:}" --clear-groups)
    as "$attacker" mkfifo -m 622 "$shared/read.xml" "$shared/unread.xml"
    exec 7<>"$shared/read.xml"
    expect 1 "another user" -- open "$home/doc.sealed" "$shared/read.xml"
    printf '\n#end\n' >&7
    got=$(sed '/^#end$/q' <&7)
    exec 7>&-
    [ "$got" = $'\n#end' ] || fail "another user's FIFO received: ${got%#end}"
    expect 1 "another user" -- open "$home/doc.sealed" "$shared/unread.xml"
    expect 1 "another user" -- seal "$home/doc.xml" "$shared/unread.xml"
    # The user's own FIFO, with its reader there or coming; a device.
    as "$victim" mkfifo -m 600 "$shared/own.xml"
    timeout 10 cat "$shared/own.xml" >"$work/got" &
    expect 0 "" -- open "$home/doc.sealed" "$shared/own.xml"
    wait $!
    cmp -s "$work/doc.xml" "$work/got" || fail "open to the user's own FIFO"
    expect 0 "" -- open "$home/doc.sealed" /dev/null
    # The user's own terminal takes plain text as it is made (mode 620: its
    # group may only write), but not once others can read it, as a FIFO.
    got=$(as "$victim" /usr/bin/python3 -c 'import os, pty, subprocess, sys
master, slave = pty.openpty()
for mode in (0o620, 0o644):
    os.chmod(os.ttyname(slave), mode)
    print(subprocess.call(sys.argv[1:] + [os.ttyname(slave)], stderr=subprocess.DEVNULL))' \
      "${emulator[@]}" "$sealwright_program" open "$home/doc.sealed" | tr '\n' ' ')
    [ "$got" = "0 1 " ] || fail "open to the user's terminal of mode 620, then 644, exits: $got"

    # Key files the same way: another user's link is named as such, and what
    # is no regular file is refused unopened (opening this FIFO is denied).
    as "$attacker" ln -s "$theirs/key" "$shared/key.link"
    as "$attacker" mkfifo -m 000 "$shared/key.fifo"
    SEALWRIGHT_KEY='' SEALWRIGHT_KEY_FILE=$shared/key.link \
      expect 1 "another user made in a shared folder" -- open "$home/doc.sealed"
    SEALWRIGHT_KEY='' SEALWRIGHT_KEY_FILE=$shared/key.fifo \
      expect 1 "key.fifo is not a regular file" -- open "$home/doc.sealed"

    # Links, as the kernel follows them: in a shared folder, only the user's
    # own and the folder owner's; elsewhere, any.
    while read -r owner status link target; do
      case $owner in
        victim) user=$victim ;;
        attacker) user=$attacker ;;
        *) user=0:0 ;;
      esac
      [ -e "$people/$target" ] || { echo precious >"$people/$target" && chown "$victim" "$people/$target"; }
      as "$user" ln -s "$people/$target" "$people/$link"
      for command in seal open; do
        input=$home/doc.xml
        [ "$command" = open ] && input=$home/doc.sealed
        if [ "$status" = 0 ]; then
          expect 0 "" -- "$command" "$input" "$people/$link"
        else
          expect 1 "another user made in a shared folder" -- "$command" "$input" "$people/$link"
          grep -qx precious "$people/$target" ||
            fail "$command through $owner's $link replaced the victim's $target"
        fi
      done
      [ -L "$people/$link" ] || fail "$command replaced $owner's link $link"
    done <<EOF
attacker 1 shared/planted victim/precious
victim 0 shared/own-link victim/own
root 0 shared/root-link victim/roots
attacker 0 attacker/link victim/theirs
victim 1 shared/chain shared/planted
EOF
    cmp -s "$work/doc.xml" "$home/own" || fail "open through the user's own link"

    # The other user's terminal (a pty it made and opened to all, as the
    # other user's own device that the victim can write): reached through
    # its link to a folder of its own, or swapped in for the last name
    # between its own file and its own link, it must receive nothing.
    cat >"$work/terminal.py" <<'PY'
import os, pty, select, sys
mode, target, ready = sys.argv[1:4]
master, slave = pty.openpty()
os.chmod(os.ttyname(slave), 0o666)
os.symlink(os.ttyname(slave), target + ".link")
if mode == "link":
    os.rename(target + ".link", target)
open(ready, "w").close()
got, swaps = b"", 0
while not os.path.exists(ready + ".stop"):
    if mode == "swap":
        if swaps % 2:
            open(target + ".file", "w").close()
            os.rename(target + ".file", target)
        else:
            os.symlink(os.ttyname(slave), target + ".new")
            os.rename(target + ".new", target)
        swaps += 1
    if select.select([master], [], [], 0 if mode == "swap" else 0.05)[0]:
        got += os.read(master, 65536)
while select.select([master], [], [], 0.2)[0]:
    got += os.read(master, 65536)
open(ready + ".got", "wb").write(got)
PY
    terminal() {  # terminal MODE TARGET: the other user's terminal behind TARGET
      rm -f "$theirs/ready"*
      as "$attacker" /usr/bin/python3 "$work/terminal.py" "$1" "$2" "$theirs/ready" &
      terminal=$!
      for _ in $(seq 100); do [ -e "$theirs/ready" ] && break; sleep 0.1; done
    }
    received() {  # received WHAT: the terminal received nothing
      touch "$theirs/ready.stop"
      wait "$terminal"
      [ -e "$theirs/ready.got" ] && [ ! -s "$theirs/ready.got" ] ||
        fail "$1: the other user's terminal received: $(head -c 200 "$theirs/ready.got" 2>/dev/null)"
    }
    as "$attacker" mkdir "$theirs/folder"
    terminal link "$theirs/folder/out"
    as "$attacker" ln -s "$theirs/folder" "$shared/d"
    expect 1 "another user made in a shared folder" -- open "$home/doc.sealed" "$shared/d/out"
    received "a link to a folder"
    # 1000 runs; 100 under an emulator or the sanitizers, whose runs are
    # slow (the same code).
    runs=1000
    case ${FLATDOM_EMULATOR:-}$(ldd "$sealwright_program" 2>/dev/null) in
      *qemu* | *libasan*) runs=100 ;;
    esac
    terminal swap "$shared/out"
    opened=$(as "$victim" bash -c 'runs=$1 opened=0
      shift
      for ((i = 0; i < runs; ++i)); do "$@" >/dev/null 2>&1 && opened=$((opened + 1)); done
      echo $opened' _ "$runs" "${emulator[@]}" "$sealwright_program" open "$home/doc.sealed" "$shared/out")
    received "the last name swapped"
    [ "$opened" = 0 ] || fail "open wrote $opened times of $runs to a name another user swaps"

    # Keys go into no folder that another user could change.
    as "$attacker" mkdir -m 777 "$shared/keys"
    expect 1 "belongs to another user" -- keygen --out "$shared/keys/k"
    as "$victim" mkdir -m 777 "$home/open"
    expect 1 "can be changed by others" -- keygen --out "$home/open/sub/k"
    [ -e "$shared/keys/k" ] || [ -e "$home/open/sub" ] && fail "keygen wrote into a folder others change"

    # Not dumpable, from its start: waiting for its input (a FIFO), the
    # command's /proc files are the administrator's, not the user's.
    as "$victim" mkfifo "$home/input.fifo"
    as "$victim" bash -c 'echo $$ >"$0/pid" && exec "$@" >/dev/null 2>&1' "$home" \
      "${emulator[@]}" "$sealwright_program" seal "$home/input.fifo" "$home/input.sealed" &
    for _ in $(seq 100); do [ -s "$home/pid" ] && break; sleep 0.1; done
    pid=$(cat "$home/pid")
    owner=""
    for _ in $(seq 50); do
      owner=$(stat -c %u "/proc/$pid/status" 2>/dev/null)
      [ "$owner" = 0 ] && break
      sleep 0.1
    done
    [ "$owner" = 0 ] || fail "a running command's /proc files belong to user $owner: it can be dumped"
    printf '<d/>' >"$home/input.fifo"
    wait
    runas=()
  fi
  unset SEALWRIGHT_KEY
fi

# Usage errors say what is wrong, then show the usage; help is the usage, on
# standard output, as for flatdom.
usage_error() {  # usage_error WHAT ARGS...: sealwright ARGS is a usage error saying WHAT
  local what=$1
  shift
  expect 2 "" -- "$@"
  [ "$(head -n 1 "$work/err")" = "sealwright: $what" ] && grep -q "^usage: sealwright" "$work/err" ||
    fail "sealwright $*: standard error should say 'sealwright: $what', then the usage: $(cat "$work/err")"
}
usage_error "no command given"
usage_error "unknown command frobnicate" frobnicate
usage_error "seal needs INPUT and OUTPUT" seal
usage_error "seal needs INPUT and OUTPUT: OUTPUT is missing" seal "$work/doc.xml"
usage_error "open needs INPUT" open
usage_error "unexpected argument c" open a b c
usage_error "unknown option --force" seal --force a b
usage_error "--out needs a value" keygen --out
usage_error "unexpected argument extra" keygen --out "$work/never.key" extra
usage_error "unexpected argument key" keygen key
[ ! -e "$work/never.key" ] || fail "a usage error wrote a key"
for help in help --help -h "seal --help"; do
  # shellcheck disable=SC2086
  [ "$(sealwright $help)" = "$(sealwright --help)" ] && sealwright $help | grep -q "^usage: sealwright" ||
    fail "sealwright $help does not print the usage and exit 0"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "sealwright command: all cases passed"
