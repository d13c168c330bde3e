#!/usr/bin/env bash
# Checks what make package built: the Debian packages, unpacked into a
# scratch root (their fields, sonames, copyright files, manual pages and API
# reference, and examples/host.cpp built against the development package and
# run) and run through lintian, and each Windows archive
# (check_windows_archive.sh).
#   check_packages.sh SOURCE_DIR DEB_DIR ZIP...
set -euo pipefail
source=$1
debs=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
fail() { echo "packages: $*"; exit 1; }

for package in libflatdom1 libflatdom-dev flatdom-tools; do
  deb=$(ls "$debs/${package}"_*.deb 2>/dev/null | head -n 1)
  [ -n "$deb" ] || fail "no $package package in $debs"
  dpkg-deb -x "$deb" "$root"
  [ -s "$root/usr/share/doc/$package/copyright" ] || fail "$package has no copyright file"
  # No made-up home page or address where the project has none.
  [ -z "$(dpkg-deb -f "$deb" Homepage)" ] || fail "$package names a home page"
  ! grep -qE "^(Upstream-Contact|Source):" "$root/usr/share/doc/$package/copyright" ||
    fail "$package's copyright file names a contact or a source"
done
depends=$(dpkg-deb -f "$debs"/libflatdom1_*.deb Depends)
for needed in libxml2 libssl3 libstdc++6; do
  [[ "$depends" == *"$needed "* ]] || fail "libflatdom1 does not depend on $needed: $depends"
done
for package in libflatdom-dev flatdom-tools; do
  [[ "$(dpkg-deb -f "$debs/${package}"_*.deb Depends)" == *"libflatdom1 (= "* ]] ||
    fail "$package does not depend on this libflatdom1"
done
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for lib in flatdom sealwright flatdom-platform; do
  soname=$(readelf -d "$root/usr/lib/$multiarch/lib$lib.so.1" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
  [ "$soname" = "lib$lib.so.1" ] || fail "lib$lib.so.1 has soname '$soname'"
done
for command in flatdom sealwright; do
  zgrep -qF "$command \\-\\-version" "$root/usr/share/man/man1/$command.1.gz" ||
    fail "the manual page of $command does not hold its synopsis"
done
[ -f "$root/usr/share/doc/flatdom/api/index.html" ] || fail "libflatdom-dev has no API reference"
"$here/example_host.sh" "$root/usr" "lib/$multiarch" "$source" "$work" "$root"
echo "Debian packages: installed into a scratch root, the example host built and ran"
# Debian's own checks: no error, and each warning left is overridden in the
# package, with the reason beside it.
if ! lintian --fail-on error,warning "$debs"/*.deb >"$work/lintian" 2>&1; then
  cat "$work/lintian"
  fail "lintian found errors or warnings"
fi
echo "Debian packages: lintian passes them"

for archive in "$@"; do
  "$here/check_windows_archive.sh" "$source" "$archive"
done
