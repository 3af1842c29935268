#!/usr/bin/env bash
# A longer fuzzing run of every libFuzzer harness: tools/fuzz-long.sh [seconds per harness]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
seconds=${1:-600}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" >/dev/null
for h in build/fuzz/fuzz_*; do
  [ -x "$h" ] || continue
  name=$(basename "$h")
  mkdir -p "build/fuzz/corpus/$name"
  echo "=== $name for ${seconds}s"
  "$h" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "build/fuzz/corpus/$name" 2>&1 | tail -n 12
done
