#!/usr/bin/env bash
# The differential test over every XML file this machine holds under
# /usr/share and /etc (the first three of each folder), and over a copy of
# each with CR LF line ends: a report of how the answers of our engine and of
# Wine's compare, that decides nothing (make check compares only the probes
# and the files of the packages it installs itself).
#   differential-sweep.sh ARCH WINDOWS_BUILD_DIR LINUX_BUILD_DIR
set -euo pipefail
arch=$1
build=$(cd "$2" && pwd)
linux=$(cd "$3" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=$build/wineprefix
source "$root/scripts/wine.sh"
use_wine "$arch"
[ -x "$wine" ] || { echo "differential-sweep: no Wine launcher for $arch"; exit 1; }
trap '"${wine%/*}/wineserver" -k 2>/dev/null || true' EXIT
"$root/tests/differential/run.sh" "$linux" "$build" "$wine" --sweep
