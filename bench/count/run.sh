#!/usr/bin/env bash
# `flatdom count` against a pugixml program doing the same (load the file,
# count what the query selects), whole process: the median of three runs of
# each, wall time and peak memory, and their ratios.
#
#   bench/count/run.sh BUILD_DIR [ITEMS]   (540,000 items: about 110 MB)
set -euo pipefail
build=$(cd "$1" && pwd)
items=${2:-540000}
file=/tmp/flatdom-compare-$items.xml
[ -f "$file" ] || "$build/bin/pugixml_count" --catalogue "$items" "$file"
query=catalogue/item

median() { sort -n | sed -n 2p; }
measure() {  # measure NAME COMMAND...: three runs, "seconds KiB" medians
  local runs=() name=$1
  shift
  for _ in 1 2 3; do
    runs+=("$(/usr/bin/time -f '%e %M' "$@" 2>&1 >/dev/null | tail -1)")
  done
  printf '%s %s %s\n' "$name" \
    "$(printf '%s\n' "${runs[@]}" | cut -d' ' -f1 | median)" \
    "$(printf '%s\n' "${runs[@]}" | cut -d' ' -f2 | median)"
}

{
  measure pugixml "$build/bin/pugixml_count" "$file" "/$query"
  measure flatdom "$build/bin/flatdom" count "$file" "$query"
} | awk -v file="$file" '
  { name[NR] = $1; secs[NR] = $2; kib[NR] = $3 }
  END {
    printf "count %s in %s, whole process, median of 3 runs\n", "catalogue/item", file
    printf "%-8s %9s %10s %11s %12s\n", "way", "seconds", "peak MiB", "time ratio", "memory ratio"
    for (i = 1; i <= NR; i++)
      printf "%-8s %9.2f %10.1f %11.2f %12.2f\n", name[i], secs[i], kib[i] / 1024,
        secs[i] / secs[1], kib[i] / kib[1]
  }'
