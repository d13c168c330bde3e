#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks the libraries' sonames
# and run paths, the manual pages, the licence and the API reference, and
# builds examples/host.cpp against that copy.
#   check_install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(cd "$prefix" && dirname "$(find . -name 'libflatdom.so' | head -n 1)")
libdir=${libdir#./}
for lib in flatdom sealwright flatdom-platform; do
  soname=$(readelf -d "$prefix/$libdir/lib$lib.so" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
  [ "$soname" = "lib$lib.so.1" ] || { echo "lib$lib.so has soname '$soname'"; exit 1; }
done
"$here/check_runpaths.sh" "$prefix"/bin/* "$prefix/$libdir"/*.so
for command in flatdom sealwright; do
  zgrep -qF "$command \\-\\-version" "$prefix/share/man/man1/$command.1.gz" ||
    { echo "no manual page of $command"; exit 1; }
done
cmp -s "$source/LICENSE" "$prefix/share/doc/flatdom/LICENSE" || { echo "no LICENSE"; exit 1; }
# A build with the API reference (-DFLATDOM_DOCS=ON) installs it.
if [ -f "$build/docs/html/index.html" ] && [ ! -f "$prefix/share/doc/flatdom/api/index.html" ]; then
  echo "the API reference is not installed"; exit 1
fi
"$here/example_host.sh" "$prefix" "$libdir" "$source" "$work"
echo "installed copy: both builds of the example host ran"
