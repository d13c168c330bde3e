#!/usr/bin/env bash
# flatdom built inside another project, as adopters build it: with
# add_subdirectory from its source folder, and with FetchContent from the
# source archive that make dist makes (scripts/dist.sh), pinned by its
# SHA-256. The parent links flatdom::flatdom and sealwright::sealwright and
# runs. flatdom builds its libraries and commands only (no tests, benchmarks,
# fuzzing or packaging), looks for no GoogleTest, puts no -Werror on any
# compiler command, and CMake warns of nothing.
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
  local dir=$work/$1 target=$2
  shift 2
  if ! { cmake -S "$here/subproject" -B "$dir" -G Ninja -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
    "$@" && cmake --build "$dir" --target "$target" -j 2; } >"$dir.log" 2>&1; then
    cat "$dir.log"
    fail "the parent project did not build ($1)"
  fi
  # (CMake's note that GTest was never looked for is what this test wants.)
  ! grep -qE "CMake (Deprecation )?Warning.* at " "$dir.log" || { cat "$dir.log"; fail "CMake warns ($1)"; }
  ! grep -E -- '-Werror( |$)' <(ninja -C "$dir" -t commands) >/dev/null ||
    fail "a compiler command has -Werror ($1)"
  [ ! -e "$dir/CPackConfig.cmake" ] || fail "flatdom set up packaging for the parent ($1)"
}
# runs DIR FLATDOM_BINARY_DIR: the parent's program agrees with flatdom's
# command on the version, reads a plain file and says why a sealed one failed.
runs() {
  local expected
  expected="$("$2/bin/flatdom" --version)
8080
no key: set SEALWRIGHT_KEY or SEALWRIGHT_KEY_FILE"
  [ "$(env -u SEALWRIGHT_KEY -u SEALWRIGHT_KEY_FILE "$1/parent_host" \
    "$source/examples/config.xml" "$source/examples/secrets.sealed")" = "$expected" ] ||
    fail "the parent's program in $1 did not give: $expected"
}

build subdirectory all -DPARENT_FLATDOM_DIR="$source"
# Every program built in flatdom's folder is one of its two commands.
programs=$(find "$work/subdirectory/flatdom" -path '*/CMakeFiles' -prune -o -type f -perm -u+x \
  ! -name '*.so*' -printf '%f\n' | sort | tr '\n' ' ')
[ "$programs" = "flatdom sealwright " ] || fail "flatdom built programs of its own: $programs"

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
build fetchcontent parent_host -DPARENT_FLATDOM_URL="file://$archive" \
  -DPARENT_FLATDOM_SHA256="$sha256"
cmake --build "$work/fetchcontent" --target flatdom_cli >/dev/null
runs "$work/subdirectory" "$work/subdirectory/flatdom"
runs "$work/fetchcontent" "$work/fetchcontent/_deps/flatdom-build"
echo "subproject: flatdom's own targets only, linked and run by the parent, by both ways in"
