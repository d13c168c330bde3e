#!/usr/bin/env bash
# flatdom built inside another project, as adopters build it: with
# add_subdirectory from its source folder, and with FetchContent from the
# source archive that make dist makes (scripts/dist.sh), pinned by its
# SHA-256. The parent links flatdom::flatdom and sealwright::sealwright and
# runs. flatdom builds its libraries only (no commands unless
# FLATDOM_BUILD_TOOLS is on; no tests, benchmarks, fuzzing or packaging),
# looks for no GoogleTest, puts no -Werror on any compiler command, and CMake
# warns of nothing. Installing the parent installs flatdom's libraries,
# headers and packages with it, its commands and their manual pages when
# built, and nothing with FLATDOM_INSTALL off.
#   check_subproject.sh SOURCE_DIR
set -euo pipefail
source=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "subproject: $*"; exit 1; }

# build NAME TARGET CMAKE_OPTIONS...: configures the parent in $work/NAME and
# builds TARGET, without a GoogleTest to find.
build() {
  local name=$1 dir=$work/$1 target=$2
  shift 2
  if ! { cmake -S "$here/subproject" -B "$dir" -G Ninja -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
    "$@" && cmake --build "$dir" --target "$target" -j 2; } >"$dir.log" 2>&1; then
    cat "$dir.log"
    fail "the parent project did not build ($name)"
  fi
  # (CMake's note that GTest was never looked for is what this test wants.)
  ! grep -qE "CMake (Deprecation )?Warning.* at " "$dir.log" || { cat "$dir.log"; fail "CMake warns ($name)"; }
  ! grep -E -- '-Werror( |$)' <(ninja -C "$dir" -t commands) >/dev/null ||
    fail "a compiler command has -Werror ($name)"
  [ ! -e "$dir/CPackConfig.cmake" ] || fail "flatdom set up packaging for the parent ($name)"
}
# programs DIR: the programs built in flatdom's build folder DIR.
programs() {
  find "$1" -path '*/CMakeFiles' -prune -o -type f -perm -u+x ! -name '*.so*' -printf '%f\n' |
    sort | tr '\n' ' '
}
# installed NAME: what installing the parent NAME puts in a new prefix.
installed() {
  cmake --install "$work/$1" --prefix "$work/$1-prefix" >/dev/null
  (cd "$work/$1-prefix" 2>/dev/null && find . -type f | sort)
}
# runs DIR: the parent's program says flatdom's version, reads a plain file
# and says why a sealed one failed.
version=$(sed -n 's/^project(flatdom VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
runs() {
  local expected
  expected="flatdom $version
8080
no key: set SEALWRIGHT_KEY or SEALWRIGHT_KEY_FILE"
  [ "$(env -u SEALWRIGHT_KEY -u SEALWRIGHT_KEY_FILE "$1/parent_host" \
    "$source/examples/config.xml" "$source/examples/secrets.sealed")" = "$expected" ] ||
    fail "the parent's program in $1 did not give: $expected"
}

build subdirectory all -DPARENT_FLATDOM_DIR="$source"
built=$(programs "$work/subdirectory/flatdom")
[ -z "$built" ] || fail "flatdom built programs of its own: $built"
files=$(installed subdirectory)
for file in include/flatdom/flatdom.h include/sealwright/sealwright.h lib/cmake/flatdom/flatdomConfig.cmake \
  lib/pkgconfig/flatdom.pc "lib/libflatdom.so.$version"; do
  grep -qx "./$file" <<<"$files" || fail "installing the parent installs no $file"
done
! grep -E '^\./(bin|share/man)/' <<<"$files" || fail "installing the parent installs flatdom's commands"

# The archive of make dist, of the files git tracks as they are now (a
# commit of them that no branch holds), or, outside a git checkout, of the
# folder without its builds.
if git -C "$source" rev-parse -q --verify HEAD >/dev/null 2>&1; then
  commit=$(git -C "$source" stash create)
  "$source/scripts/dist.sh" "$work/dist" "${commit:-HEAD}" >"$work/dist.log"
  archive=$(sed -n 1p "$work/dist.log")
  sha256=$(sed -n 's/^SHA256=//p' "$work/dist.log")
else
  archive=$work/flatdom.tar.gz
  tar -C "$source" --exclude='./build*' --exclude=./out -czf "$archive" .
  sha256=$(sha256sum "$archive" | cut -d ' ' -f 1)
fi
# With the commands, from the archive.
build fetchcontent all -DPARENT_FLATDOM_URL="file://$archive" -DPARENT_FLATDOM_SHA256="$sha256" \
  -DFLATDOM_BUILD_TOOLS=ON
built=$(programs "$work/fetchcontent/_deps/flatdom-build")
[ "$built" = "flatdom sealwright " ] || fail "with FLATDOM_BUILD_TOOLS, flatdom built: $built"
files=$(installed fetchcontent)
for file in bin/flatdom bin/sealwright share/man/man1/flatdom.1.gz share/man/man1/sealwright.1.gz; do
  grep -qx "./$file" <<<"$files" || fail "with FLATDOM_BUILD_TOOLS, installing the parent installs no $file"
done
[ "$("$work/fetchcontent/_deps/flatdom-build/bin/flatdom" --version)" = "flatdom $version" ] ||
  fail "the command does not say version $version"
runs "$work/subdirectory"
runs "$work/fetchcontent"

# FLATDOM_INSTALL off: installing the parent installs nothing of flatdom's.
mkdir "$work/no-install"
cmake -S "$here/subproject" -B "$work/no-install" -G Ninja -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
  -DPARENT_FLATDOM_DIR="$source" -DFLATDOM_INSTALL=OFF -DFLATDOM_BUILD_TOOLS=ON >"$work/no-install.log" 2>&1 ||
  { cat "$work/no-install.log"; fail "the parent project did not configure (no-install)"; }
[ -z "$(installed no-install)" ] || fail "with FLATDOM_INSTALL off, the parent installs: $(installed no-install)"
echo "subproject: flatdom's libraries only (its commands with FLATDOM_BUILD_TOOLS), linked and run" \
  "by the parent, by both ways in; installed with the parent, or not at all with FLATDOM_INSTALL off"
