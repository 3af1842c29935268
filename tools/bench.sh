#!/usr/bin/env bash
# Builds and runs the benchmarks and prints their figures:
#   - the Windows benchmarks under Wine (bench/win: the real Quorrel.exe), on the 32-bit
#     build, or on the 64-bit one where this machine cannot run 32-bit programs (or with
#     QUORREL_FORCE_WIN64=1),
#   - the host benchmarks (host preset, build/host): bench/*_bench.cpp.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. tools/wine.sh
wine_choose_build
preset=$windows_preset
win=build/$preset
host=build/host
status=0

echo "== $preset build ($win): ${windows_reason/Windows tests/benchmarks}"
cmake --preset "$preset" >/dev/null || exit 1
cmake --build "$win" -j2 || exit 1

# The bench display: started here unless a test run already has it up, and then left alone.
bench_was_up=0
if [ -f "$win/wine/bench.env" ]; then
  xvfb_pid=$(sed -n 's/^BENCH_XVFB_PID=//p' "$win/wine/bench.env")
  [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null && bench_was_up=1
fi
if [ "$bench_was_up" -eq 0 ]; then
  tools/wine-bench.sh up "$win/wine" "$preset" >/dev/null || exit 1
  trap 'tools/wine-bench.sh down "$win/wine" "$preset" >/dev/null' EXIT
fi
for exe in "$win"/*_bench.exe; do
  [ -e "$exe" ] || continue
  echo "== $(basename "$exe") (Wine)"
  "$win/wine-run" "$exe" || status=1
done

echo "== host build ($host)"
cmake --preset host >/dev/null || exit 1
targets=()
for src in bench/*_bench.cpp; do
  [ -e "$src" ] && targets+=(--target "$(basename "$src" .cpp)")
done
if [ "${#targets[@]}" -gt 0 ]; then
  cmake --build "$host" -j2 "${targets[@]}" || exit 1
  for src in bench/*_bench.cpp; do
    name=$(basename "$src" .cpp)
    [ -x "$host/$name" ] || continue
    echo "== $name"
    "$host/$name" || status=1
  done
fi
exit $status
