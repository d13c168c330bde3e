#!/usr/bin/env bash
# The manual pages as man shows them: groff finds nothing to warn about, the
# synopsis is the usage's command lines (without "usage:"), the page does not
# send its reader to itself, and every option of the usage is described.
#   manual_pages_test.sh COMMAND PAGE [COMMAND PAGE]...
set -uo pipefail
# FLATDOM_EMULATOR, when set, runs the commands (the build is for another system).
read -r -a emulator <<<"${FLATDOM_EMULATOR:-}"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

while [ $# -ge 2 ]; do
  command=$1 page=$2
  shift 2
  name=$(basename "$page" .1)
  warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "groff warns about $name.1: $warnings"
  shown=$(groff -man -Tutf8 -P-cbou -rLL=200n "$page" 2>/dev/null)
  section() {  # section NAME: the lines of that section, as shown
    awk -v name="$1" '/^[A-Z]/ { inside = ($0 == name); next } inside' <<<"$shown"
  }
  usage=$("${emulator[@]}" "$command" --help)

  # The synopsis: the forms of the usage's first paragraph, one a line.
  forms=$(awk 'NF == 0 { exit } { sub(/^usage: /, ""); sub(/^ +/, ""); sub(/  .*/, ""); print }' \
    <<<"$usage")
  synopsis=$(section SYNOPSIS | sed -e 's/^ *//' -e '/^$/d')
  [ "$synopsis" = "$forms" ] ||
    fail "$name.1's synopsis is not the usage's forms: $(diff <(echo "$forms") <(echo "$synopsis"))"
  ! grep -qi "usage:" <<<"$shown" || fail "$name.1 says 'usage:'"
  ! grep -qiE "manual page|man $name" <<<"$shown" || fail "$name.1 points its reader to itself"
  [ -n "$(section DESCRIPTION)" ] || fail "$name.1 has no description"

  # Every option of the usage heads an entry of OPTIONS or COMMANDS.
  for option in $(grep -oE '(^|[ [])--?[A-Za-z][a-z]*' <<<"$usage" | tr -d ' [' | sort -u); do
    case $option in --help | --version) continue ;; esac
    { section OPTIONS; section COMMANDS; } | grep -E -- "^ {7}([^ ].*[ [])?$option( |$)" \
      >/dev/null || fail "$name.1 does not describe $option"
  done
  if [ "$name" = flatdom ]; then
    section EXAMPLES | grep -- "--xpath" >/dev/null || fail "flatdom.1 has no example of XPath"
    section KINDS | grep -E "^ {7}xml( |$)" >/dev/null || fail "flatdom.1 does not describe the kind xml"
  fi
done

[ $failures -eq 0 ] || exit 1
echo "manual pages: groff warns of nothing, synopses from the usage, every option described"
