#!/usr/bin/env bash
# Fails when an ELF file's run path has an empty entry, which the dynamic
# loader reads as the current directory: a library placed where a user runs
# the program would then be loaded in place of the real one.
#   check_runpaths.sh FILE...
set -euo pipefail
status=0
for file in "$@"; do
  runpath=$(readelf -d "$file" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]/\2/p')
  if [ -n "$runpath" ] && [[ ":$runpath:" == *::* ]]; then
    echo "$file: run path '$runpath' has an empty entry"
    status=1
  fi
done
[ $status -eq 0 ] && echo "run paths: no empty entries in $# files"
exit $status
