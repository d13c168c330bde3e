#!/usr/bin/env bash
# What a host's developer sees running a correct host under valgrind, with no
# suppression file: no error and no leak. The hosts: examples/host.cpp on a
# plain and a sealed document, and the API reference's XPath snippet.
#   under_valgrind.sh VALGRIND EXAMPLE_HOST XPATH_SNIPPET EXAMPLES_DIR
set -uo pipefail
valgrind=$1
example_host=$2
xpath_snippet=$3
examples=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
log=$work/valgrind.log
failures=0

run() {  # run EXPECTED_STDOUT HOST ARGS...
  local expected=$1 out
  shift
  out=$("$valgrind" --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect \
    --errors-for-leak-kinds=definite,indirect --log-file="$log" "$@" 2>&1)
  local status=$?
  if [ "$status" != 0 ] || ! grep -qF -- "$expected" <<<"$out"; then
    echo "FAIL: $* under valgrind: exit $status, output:"
    sed 's/^/  /' <<<"$out"
    grep -v '^==[0-9]*== *$' "$log" | sed 's/^/  /'
    failures=$((failures + 1))
  fi
}

run "Pump Controller (id 8000): port 8080" "$example_host" "$examples/config.xml"
install -m 600 "$examples/demo.key" "$work/demo.key"
SEALWRIGHT_KEY_FILE=$work/demo.key run "" "$example_host" "$examples/secrets.sealed"
LC_ALL=C.UTF-8 run "Café table" "$xpath_snippet" "$examples/catalogue.xml"

[ "$failures" = 0 ] || exit 1
echo "hosts under valgrind: no error, nothing lost"
