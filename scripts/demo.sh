#!/usr/bin/env bash
# A short tour of the flatdom command on the bundled examples, plain and
# sealed, built from nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --demo
cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DFLATDOM_TESTS=OFF >/dev/null
cmake --build build/demo --target flatdom_cli sealwright_cli >/dev/null

flatdom=build/demo/bin/flatdom
show() {  # show COMMAND...: prints the command, then what it gives
  printf '\n$ flatdom %s\n' "$*"
  "$flatdom" "$@" || printf '(exit status %d)\n' "$?"
}

echo "== A configuration: text, decimal and hexadecimal values =="
show get examples/config.xml configuration/device/serial
show get examples/config.xml configuration/device/@id --as auto
show all examples/config.xml configuration/device/port --as int
show all examples/config.xml configuration/device/mask --as hex
show get examples/config.xml "configuration/device[@name='Valve Array']/timeout" --as float

echo
echo "== A catalogue in namespaces =="
show count examples/catalogue.xml //cat:item
show all examples/catalogue.xml //cat:name
show all examples/catalogue.xml //p:price --as float
show get examples/catalogue.xml //p:price --as name

echo
echo "== A malformed document: the parse error report, and exit status 2 =="
show get examples/broken.xml //item 2>&1

echo
echo "== A sealed document, opened with the demo key =="
# A key file must be its owner's alone (the commands warn otherwise).
key=$(mktemp)
trap 'rm -f "$key"' EXIT
install -m 600 examples/demo.key "$key"
SEALWRIGHT_KEY_FILE=$key show get examples/secrets.sealed secrets/account/@user
SEALWRIGHT_KEY_FILE=$key show get examples/secrets.sealed secrets/account/pin --as auto
echo
echo "...and without it:"
show get examples/secrets.sealed secrets/account/pin 2>&1

echo
echo "== Conversions =="
show fixed 1234.56 1
show fixed 0.1 10 --float
show hex 7fffffff
