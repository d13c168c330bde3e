#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for SECONDS (default 60)
# from the seed corpus in fuzz/corpus. A finding stops the run; its input is
# left in build/fuzz/findings.
#   fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFLATDOM_FUZZ=ON -DFLATDOM_TESTS=OFF >/dev/null
cmake --build build/fuzz -j "$(nproc)" >/dev/null
mkdir -p build/fuzz/findings

for target in document query numeric sealed; do
  work=build/fuzz/corpus/$target
  mkdir -p "$work"
  echo "fuzz_$target: $seconds s"
  # The sealed target takes its key from its own set-up, not from here.
  env -u SEALWRIGHT_KEY -u SEALWRIGHT_KEY_FILE \
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "build/fuzz/bin/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
      -print_final_stats=1 -artifact_prefix="build/fuzz/findings/$target-" \
      "$work" "fuzz/corpus/$target" 2>"build/fuzz/fuzz_$target.log" ||
    { tail -n 60 "build/fuzz/fuzz_$target.log"; echo "fuzz_$target found a failure"; exit 1; }
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "build/fuzz/fuzz_$target.log" |
    sed 's/^/  /'
done
