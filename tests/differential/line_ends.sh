#!/usr/bin/env bash
# Our engine answers the differential probe of Windows line ends exactly as it
# answers a copy of it with LF line ends: XML 1.0 reads CR LF as LF before
# anything else, so no answer depends on how lines end.
#   line_ends.sh DIFFERENTIAL_HOST
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# FLATDOM_EMULATOR, when set, runs the host (the build is for another system).
read -r -a emulator <<<"${FLATDOM_EMULATOR:-}"
host=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
probe=$here/probes/line_ends.xml
grep -q $'\r$' "$probe" || { echo "line_ends: $probe has lost its CR LF line ends"; exit 1; }
tr -d '\r' <"$probe" >"$work/lf.xml"
# The probe's queries in probes.cases.
awk '$0 == "doc probes/line_ends.xml" { on = 1; next } /^doc / { on = 0 } on && /^q / { print }' \
  "$here/probes.cases" >"$work/queries.txt"
for copy in "$probe" "$work/lf.xml"; do
  { echo "doc $copy"; cat "$work/queries.txt"; } >"$work/cases.txt"
  "${emulator[@]}" "$host" "$work/cases.txt" >"$work/answers.txt"
  grep -qx "doc $copy -> loaded" "$work/answers.txt" || { echo "line_ends: $copy does not load"; exit 1; }
  tail -n +2 "$work/answers.txt" >"$work/answers-${copy##*/}.txt"
done
if ! diff "$work/answers-line_ends.xml.txt" "$work/answers-lf.xml.txt"; then
  echo "line_ends: the answers above differ between CR LF and LF line ends"
  exit 1
fi
echo "line_ends: $(wc -l <"$work/queries.txt") queries answer alike for CR LF and LF line ends"
