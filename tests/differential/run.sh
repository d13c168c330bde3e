#!/usr/bin/env bash
# The differential test: the same host program, built for Linux and for
# Windows, answers the same queries on the same documents, natively and under
# Wine; every answer that differs must be a known difference.
#
#   run.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR WINE
#
# Documents: the probes beside this script, and the real XML files that
# Debian installs on this machine, chosen by one rule: every *.xml file under
# /usr/share and /etc of at most 64 KiB whose path Windows can name (no
# name ending in a dot or a space, none of <>:"|?*\), the first three of each
# folder in name order, so that the set grows with what the machine has.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
linux=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
wine=$3
work=$linux/differential
mkdir -p "$work"

find /usr/share /etc -name '*.xml' -type f -size -65k -readable 2>/dev/null | LC_ALL=C sort |
  grep -v -E '[. ]/|[<>:"|?*\\]' |
  awk '{ folder = $0; sub("/[^/]*$", "", folder); if (++seen[folder] <= 3) print }' \
    >"$work/real-files.txt"
sed "s|^doc probes/|doc $here/probes/|" "$here/probes.cases" >"$work/cases.txt"
# Each installed file's queries, the file tagged by rule where Wine's engine
# cannot answer as Windows does: an encoding its libxml2 reads only through
# iconv, or a DOCTYPE that declares entities or attribute defaults.
while IFS= read -r file; do
  encoding=$(head -c 200 "$file" | tr -d '\0' | tr 'A-Z' 'a-z' |
    grep -o -m 1 "encoding=[\"'][^\"']*" | cut -c 11- || true)
  case $encoding in
    "" | utf-8 | utf-16 | us-ascii | ascii | iso-8859-*)
      if grep -q -E '<!(ENTITY|ATTLIST)' "$file"; then echo "known wine-doctype"; fi ;;
    *) echo "known wine-encodings" ;;
  esac
  "$linux/bin/differential_host" --plan "$file" 2>/dev/null
done <"$work/real-files.txt" >>"$work/cases.txt"

"$linux/bin/differential_host" "$work/cases.txt" >"$work/linux.txt" 2>/dev/null
"$wine" "$windows/bin/differential_host.exe" "$work/cases.txt" 2>/dev/null | tr -d '\r' \
  >"$work/windows.txt"
echo "documents: $(grep -c '^doc ' "$work/cases.txt") ($(wc -l <"$work/real-files.txt") installed files)"
awk -f "$here/compare.awk" "$work/cases.txt" "$work/linux.txt" "$work/windows.txt" \
  "$here/known_differences.txt"
