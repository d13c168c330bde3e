#!/usr/bin/env bash
# make demo's tour on commands already built: every command it prints, pasted
# into a shell as it stands (in the source folder, with the commands on PATH
# as the tour says), gives what the tour shows beneath it.
#   demo_test.sh SOURCE_DIR BIN_DIR
set -uo pipefail
source=$(cd "$1" && pwd)
bin=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

"$source/scripts/demo.sh" "$bin" >"$work/tour" 2>&1 ||
  { cat "$work/tour"; echo "FAIL: the tour did not finish"; exit 1; }
# Each command ("$ " and the command) to N.command, the lines that follow it
# up to the next empty one to N.shown.
awk -v dir="$work" '
  /^\$ / { shown = dir "/" ++n ".shown"; print substr($0, 3) >(dir "/" n ".command")
           printf "" >shown; next }
  /^$/ { shown = ""; next }
  shown != "" { print >shown }
' "$work/tour"
commands=$(ls "$work"/*.command 2>/dev/null | wc -l)
[ "$commands" -ge 15 ] || { echo "FAIL: the tour shows $commands commands"; failures=$((failures + 1)); }

cd "$source" || exit 1
export PATH=$bin:$PATH
unset SEALWRIGHT_KEY SEALWRIGHT_KEY_FILE
for command in "$work"/*.command; do
  pasted=$(cat "$command")
  got=$(bash -c "$pasted" 2>&1) || got+=$'\n'"(exit status $?)"
  if [ "$got" != "$(cat "${command%.command}.shown")" ]; then
    echo "FAIL: pasted, \$ $pasted gives:"
    echo "$got" | sed 's/^/  /'
    echo "  where the tour shows:"
    sed 's/^/  /' "${command%.command}.shown"
    failures=$((failures + 1))
  fi
done
[ $failures -eq 0 ] || exit 1
echo "demo: the $commands commands of the tour, pasted, give what it shows"
