#!/usr/bin/env bash
# make dist: the versioned source archive, made by git from a commit (HEAD
# unless named): what it holds, nothing of the working folder besides. Writes
# flatdom-VERSION.tar.gz and its SHA-256 (flatdom-VERSION.tar.gz.sha256, as
# sha256sum -c reads it) into OUT_DIR, and prints both. The same commit gives
# the same bytes, so the hash can be pinned (FetchContent's URL_HASH).
#   dist.sh [OUT_DIR [COMMIT]]    OUT_DIR: build/dist by default
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/dist}
commit=${2:-HEAD}
git rev-parse --verify -q "$commit^{tree}" >/dev/null ||
  { echo "dist: $commit is not a commit of this repository" >&2; exit 1; }
version=$(git show "$commit:CMakeLists.txt" |
  sed -n 's/^project(flatdom VERSION \([0-9][0-9.]*\).*/\1/p')
[ -n "$version" ] || { echo "dist: no version in $commit's CMakeLists.txt" >&2; exit 1; }
name=flatdom-$version
mkdir -p "$out"
git archive --format=tar.gz --prefix="$name/" -o "$out/$name.tar.gz" "$commit"
(cd "$out" && sha256sum "$name.tar.gz" >"$name.tar.gz.sha256")
if [ "$commit" = HEAD ] && [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "dist: changes not committed are not in the archive" >&2
fi
echo "$out/$name.tar.gz"
echo "SHA256=$(cut -d ' ' -f 1 "$out/$name.tar.gz.sha256")"
