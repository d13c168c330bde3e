#!/usr/bin/env bash
# A short tour of the flatdom command on the bundled examples, plain and
# sealed, built from nothing. Each command is printed as a shell takes it:
# pasted into a shell in this folder, with build/demo/bin on PATH, it gives
# what the tour shows.
#   demo.sh [BIN_DIR]   BIN_DIR: commands already built there (no install, no build)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -eq 0 ]; then
  scripts/install-deps.sh --demo
  echo "Building the commands in build/demo (a few minutes the first time)..."
  cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DFLATDOM_TESTS=OFF >/dev/null
  cmake --build build/demo --target flatdom_cli sealwright_cli
  bin=build/demo/bin
else
  bin=$1
fi
# The commands as printed find flatdom on PATH, and no key but the one they name.
PATH=$(cd "$bin" && pwd):$PATH
unset SEALWRIGHT_KEY SEALWRIGHT_KEY_FILE
shown_bin=$bin
[[ $bin == /* ]] || shown_bin="\$PWD/$bin"

# quoted WORD: WORD as a shell reads it back: as it is when it holds nothing a
# shell would change, else in single quotes, or in double quotes when it holds
# a single quote but nothing that double quotes change.
quoted() {
  local word=$1
  if [[ -n $word && $word != *[!A-Za-z0-9_./:@%+=,-]* ]]; then
    printf '%s' "$word"
  elif [[ $word != *"'"* ]]; then
    printf "'%s'" "$word"
  elif [[ $word != *[\"\$\`\\!]* ]]; then
    printf '"%s"' "$word"
  else
    printf '%q' "$word"
  fi
}
# show [NAME=VALUE...] flatdom ARGS...: prints the command, then what it
# gives on standard output and standard error, then its exit status if not 0.
show() {
  local line="" word
  for word in "$@"; do
    line+="${line:+ }$(quoted "$word")"
  done
  printf '\n$ %s\n' "$line"
  env "$@" 2>&1 || printf '(exit status %d)\n' "$?"
}

echo
echo "To run the commands below yourself, in this folder: export PATH=\"$shown_bin:\$PATH\""
echo
echo "== A configuration: text, decimal and hexadecimal values =="
show flatdom get examples/config.xml configuration/device/serial
show flatdom get examples/config.xml configuration/device/@id --as auto
show flatdom all examples/config.xml configuration/device/port --as int
show flatdom all examples/config.xml configuration/device/mask --as hex
show flatdom get examples/config.xml "configuration/device[@name='Valve Array']/timeout" --as float

echo
echo "== A catalogue in namespaces =="
show flatdom count examples/catalogue.xml //cat:item
show flatdom all examples/catalogue.xml //cat:name
show flatdom all examples/catalogue.xml //p:price --as float
show flatdom get examples/catalogue.xml //p:price --as name

echo
echo "== The same in XPath 1.0: indexes from 1, prefixes bound to namespaces =="
show flatdom get examples/config.xml "configuration/device[1]/serial" --xpath
show flatdom all examples/catalogue.xml "//c:item[c:stock > 0]/c:name" --xpath \
  -N c=urn:example:catalogue
show flatdom get examples/config.xml "configuration/device[last()]/port" --xpath --as xml
show flatdom get examples/catalogue.xml "sum(//c:item/c:stock)" --xpath -N c=urn:example:catalogue

echo
echo "== A malformed document: the parse error report, and exit status 2 =="
show flatdom get examples/broken.xml //item

echo
echo "== A sealed document, opened with the demo key =="
# A key file must be its owner's alone (the commands warn otherwise); this
# copy stays beside the commands, for the commands as printed.
key=$(dirname "$bin")/demo.key
install -m 600 examples/demo.key "$key"
show SEALWRIGHT_KEY_FILE="$key" flatdom get examples/secrets.sealed secrets/account/@user
show SEALWRIGHT_KEY_FILE="$key" flatdom get examples/secrets.sealed secrets/account/pin --as auto
echo
echo "...and without it:"
show flatdom get examples/secrets.sealed secrets/account/pin

echo
echo "== Conversions =="
show flatdom fixed 1234.56 1
show flatdom fixed 0.1 10 --float
show flatdom hex 7fffffff

# The manual pages, in the build beside the commands (configured with them).
build=$(dirname "$bin")
if [ -f "$build/tools/flatdom/flatdom.1" ]; then
  echo
  echo "== The manual pages =="
  echo "man -l $build/tools/flatdom/flatdom.1"
  echo "man -l $build/sealwright/sealwright.1"
fi
