#!/usr/bin/env bash
# flatdom built inside another project, as adopters build it: with
# add_subdirectory from its source folder, and with FetchContent from a source
# archive's URL. The parent links flatdom::flatdom and sealwright::sealwright
# and runs. flatdom builds its libraries and commands only (no tests,
# benchmarks, fuzzing or packaging), looks for no GoogleTest, and puts no
# -Werror on any compiler command.
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

# The sources as an archive holds them: no build folders, no repository.
tar -C "$source" --exclude='./build*' --exclude=./out --exclude=./.git -czf "$work/flatdom.tar.gz" .
build fetchcontent parent_host -DPARENT_FLATDOM_URL="file://$work/flatdom.tar.gz"
cmake --build "$work/fetchcontent" --target flatdom_cli >/dev/null
runs "$work/subdirectory" "$work/subdirectory/flatdom"
runs "$work/fetchcontent" "$work/fetchcontent/_deps/flatdom-build"
echo "subproject: flatdom's own targets only, linked and run by the parent, by both ways in"
