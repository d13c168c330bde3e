#!/usr/bin/env bash
# Loads each hostile document shape (hostile_documents.py) at its size and at
# ten times it with `flatdom count`, whole process: wall time, peak memory and
# whether the document loaded or was refused, and why. Each load runs under a
# 4 GiB address-space limit and for at most FLATDOM_LOAD_SECONDS (120), so
# that a build without the bounds shows as "out of memory" or "over 120 s"
# instead of taking the machine.
#
#   bench/loading/run.sh BUILD_DIR [SHAPE...]   (all shapes unless told)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
flatdom=$(cd "$1" && pwd)/bin/flatdom
shift
shapes=("$@")
[ ${#shapes[@]} -gt 0 ] || mapfile -t shapes < <("$here/hostile_documents.py" --list | cut -d' ' -f1)
limit=${FLATDOM_LOAD_SECONDS:-120}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%-26s %8s %10s %9s %9s  %s\n' shape n bytes seconds "peak MiB" outcome
for shape in "${shapes[@]}"; do
  n=$("$here/hostile_documents.py" --list | awk -v s="$shape" '$1 == s { print $2 }')
  for size in "$n" "$((n * 10))"; do
    file=$work/$shape-$size.xml
    "$here/hostile_documents.py" "$shape" "$size" "$file"
    status=0
    ( ulimit -v 4194304; timeout "$limit" /usr/bin/time -f '%e %M' -o "$work/time" \
        "$flatdom" count "$file" '*' >/dev/null 2>"$work/err" ) || status=$?
    # /usr/bin/time's last line, "SECONDS KIB", unless the load was stopped.
    line=$(grep -E '^[0-9.]+ [0-9]+$' "$work/time" 2>/dev/null | tail -1 || true)
    seconds=${line% *} kib=${line#* }
    [ -n "$line" ] || seconds=- kib=-
    case $status in
      0 | 1) outcome=loaded ;;
      124) outcome="over $limit s" seconds=">$limit" ;;
      *) outcome=$(sed -n 2p "$work/err" | cut -c1-60)
         grep -q -i "memory" "$work/err" && outcome="out of memory (4 GiB)"
         [ -n "$outcome" ] || outcome="failed ($status)" ;;
    esac
    mib=$(awk -v kib="$kib" 'BEGIN { print kib == "-" ? "-" : sprintf("%.1f", kib / 1024) }')
    printf '%-26s %8s %10s %9s %9s  %s\n' "$shape" "$size" "$(stat -c %s "$file")" "$seconds" \
      "$mib" "$outcome"
    rm -f "$file" "$work/time"
  done
done
