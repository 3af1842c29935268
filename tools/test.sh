#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: host unit tests,
# the same under ASan+UBSan, bounded fuzzing runs, and the Windows and end-to-end tests
# under Wine. Ends with one line: "N passed, N failed".
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

if [ "$(id -u)" -eq 0 ]; then bash tools/setup.sh; else sudo -E bash tools/setup.sh; fi || {
  echo "setup failed"; echo "0 passed, 1 failed"; exit 1; }

jobs=$(nproc 2>/dev/null || echo 2)
results="$repo/build/test-results"
rm -rf "$results"
mkdir -p "$results"
build_failures=0

run_preset() {  # preset ctest-args...
  local preset=$1; shift
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >"$results/$preset-configure.log" 2>&1; then
    tail -n 30 "$results/$preset-configure.log"
    echo "=== $preset: configure FAILED"; build_failures=$((build_failures + 1)); return
  fi
  if ! cmake --build --preset "$preset" -j "$jobs" >"$results/$preset-build.log" 2>&1; then
    grep -E 'error|Error' "$results/$preset-build.log" | head -n 30
    echo "=== $preset: build FAILED"; build_failures=$((build_failures + 1)); return
  fi
  echo "=== $preset: tests"
  ctest --preset "$preset" --output-junit "$results/$preset.xml" "$@" 2>&1 | tail -n 25
}

run_preset host -j "$jobs"
run_preset host-asan -j "$jobs"
run_preset fuzz -j "$jobs"
run_preset windows -j 1

# Counts from the JUnit reports of every preset.
read -r passed failed skipped < <(python3 - "$results" <<'PY'
import glob, sys, xml.etree.ElementTree as ET
p = f = s = 0
for path in glob.glob(sys.argv[1] + "/*.xml"):
    for case in ET.parse(path).getroot().iter("testcase"):
        if case.get("name", "").startswith("wine_bench_"):
            continue  # the bench's own set-up and clean-up steps
        status = case.get("status", "")
        if case.find("failure") is not None or case.find("error") is not None or status == "fail":
            f += 1
        elif case.find("skipped") is not None or status in ("notrun", "disabled"):
            s += 1
        else:
            p += 1
print(p, f, s)
PY
)
failed=$((failed + build_failures))
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
