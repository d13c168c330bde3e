#!/usr/bin/env bash
# The differential test: the same host program, built for Linux and for
# Windows, answers the same queries on the same documents, natively and under
# Wine; every answer that differs must be a known difference.
#
#   run.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR WINE [--sweep]
#
# Documents: the probes beside this script, and real XML files installed on
# this machine, *.xml files under /usr/share and /etc of at most 64 KiB whose
# path Windows can name (no name ending in a dot or a space, none of
# <>:"|?*\). The test takes those of the packages that
# scripts/install-deps.sh installs, so that it decides the same on every
# machine whatever else is installed, and fails on a difference not listed.
# With --sweep it takes the first three of each folder in name order, of
# whatever the machine holds, and each again with CR LF line ends, and only
# reports: its differences are for a person to read, and decide no run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
linux=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
wine=$3
sweep=${4:-}
work=$linux/differential${sweep:+-sweep}
rm -rf "$work"
mkdir -p "$work/crlf"

find /usr/share /etc -name '*.xml' -type f -size -65k -readable 2>/dev/null | LC_ALL=C sort |
  grep -v -E '[. ]/|[<>:"|?*\\]' >"$work/installed.txt" || true
if [ "$sweep" = --sweep ]; then
  awk '{ folder = $0; sub("/[^/]*$", "", folder); if (++seen[folder] <= 3) print }' \
    "$work/installed.txt" >"$work/real-files.txt"
  # Each again with CR LF line ends, as Windows writes files (not those of
  # two-byte characters).
  n=0
  while IFS= read -r file; do
    LC_ALL=C grep -qaP '\x00' "$file" && continue
    n=$((n + 1))
    sed 's/\r$//; s/$/\r/' "$file" >"$work/crlf/$n.xml"
    echo "$work/crlf/$n.xml"
  done <"$work/real-files.txt" >"$work/crlf.txt"
  cat "$work/crlf.txt" >>"$work/real-files.txt"
else
  # The packages' own files (dpkg -L lists them), in the order above.
  "$here/../../scripts/install-deps.sh" --list | while read -r package; do
    dpkg -L "$package" 2>/dev/null || true
  done | LC_ALL=C sort -u >"$work/packaged.txt"
  grep -F -x -f "$work/packaged.txt" "$work/installed.txt" >"$work/real-files.txt" || true
fi

sed "s|^doc probes/|doc $here/probes/|" "$here/probes.cases" >"$work/cases.txt"
# Each installed file's queries, the file tagged by rule where Wine's engine
# cannot answer as Windows does: an encoding its libxml2 reads only through
# iconv, a DOCTYPE that declares entities or attribute defaults, or (in the
# sweep) the CR LF line ends of a copy.
while IFS= read -r file; do
  encoding=$(head -c 200 "$file" | tr -d '\0' | tr 'A-Z' 'a-z' |
    grep -o -m 1 "encoding=[\"'][^\"']*" | cut -c 11- || true)
  case $encoding in
    "" | utf-8 | utf-16 | us-ascii | ascii | iso-8859-*)
      if grep -q -E '<!(ENTITY|ATTLIST)' "$file"; then
        echo "known wine-doctype"
      elif [[ "$file" == "$work/crlf/"* ]]; then
        echo "known wine-line-ends"
      fi ;;
    *) echo "known wine-encodings" ;;
  esac
  "$linux/bin/differential_host" --plan "$file" 2>/dev/null
done <"$work/real-files.txt" >>"$work/cases.txt"

"$linux/bin/differential_host" "$work/cases.txt" >"$work/linux.txt" 2>/dev/null
"$wine" "$windows/bin/differential_host.exe" "$work/cases.txt" 2>/dev/null | tr -d '\r' \
  >"$work/windows.txt"

copies=""
[ "$sweep" = --sweep ] && copies=", $(wc -l <"$work/crlf.txt") of them copies with CR LF line ends"
echo "documents: $(grep -c '^doc ' "$work/cases.txt") ($(wc -l <"$work/real-files.txt") installed files$copies)"
awk -v gate="$([ "$sweep" = --sweep ] && echo 0 || echo 1)" -f "$here/compare.awk" \
  "$work/cases.txt" "$work/linux.txt" "$work/windows.txt" "$here/known_differences.txt"
