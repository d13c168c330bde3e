#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for SECONDS (default 60)
# from the seed corpus in fuzz/corpus, as many at a time as there are cores.
# A finding fails the run; its input is left in build/fuzz/findings.
#   fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
jobs=$(nproc)

CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFLATDOM_FUZZ=ON -DFLATDOM_TESTS=OFF >/dev/null
targets=(document query numeric sealed)
cmake --build build/fuzz -j "$jobs" --target "${targets[@]/#/fuzz_}" >/dev/null
mkdir -p build/fuzz/findings

# One target: its corpus replayed, then fuzzing; its summary when done.
# Queries get long inputs and a tight timeout: no query may take long.
fuzz_one() {
  local target=$1 work=build/fuzz/corpus/$1 log=build/fuzz/fuzz_$1.log
  local limits=(-timeout=20)
  [ "$target" = query ] && limits=(-max_len=65536 -timeout=5)
  mkdir -p "$work"
  # The sealed target takes its key from its own set-up, not from here.
  if env -u SEALWRIGHT_KEY -u SEALWRIGHT_KEY_FILE \
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "build/fuzz/bin/fuzz_$target" -max_total_time="$seconds" "${limits[@]}" -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="build/fuzz/findings/$target-" \
    "$work" "fuzz/corpus/$target" 2>"$log"; then
    printf 'fuzz_%s: %s s\n%s\n' "$target" "$seconds" \
      "$(grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$log" | sed 's/^/  /')"
  else
    printf '%s\nfuzz_%s found a failure\n' "$(tail -n 60 "$log")" "$target"
    return 1
  fi
}

failed=0
for ((i = 0; i < ${#targets[@]}; i += jobs)); do
  pids=()
  for target in "${targets[@]:i:jobs}"; do
    fuzz_one "$target" &
    pids+=("$!")
  done
  for pid in "${pids[@]}"; do
    wait "$pid" || failed=1
  done
done
exit "$failed"
