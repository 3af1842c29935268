#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: host unit tests,
# the same under ASan+UBSan, bounded fuzzing runs, and the Windows and end-to-end tests
# under Wine. A suite that cannot be configured, built, discovered or started counts as
# failed. Ends with one line: "N passed, N failed, N skipped (suite counts)"; the exit
# status is 0 only when nothing failed.
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

if [ "$(id -u)" -eq 0 ]; then bash tools/setup.sh; else sudo -E bash tools/setup.sh; fi || {
  echo "setup failed"; echo "0 passed, 1 failed, 0 skipped (setup did not finish)"; exit 1; }

. tools/wine.sh
. tools/suites.sh
jobs=$(nproc 2>/dev/null || echo 2)
suites_begin "$repo/build/test-results"

build_preset host -j "$jobs" && run_suite host build/host -j "$jobs"
build_preset host-asan -j "$jobs" && run_suite host-asan build/host-asan -j "$jobs"
build_preset fuzz -j "$jobs" && run_suite fuzz build/fuzz -j "$jobs"

# Both Windows builds always build; the tests run on the one this machine can execute.
wine_choose_build
echo "=== $windows_reason"
[ -n "$wine32_message" ] && echo "    (Wine's 32-bit loader: $wine32_message)"
built32=0 built64=0
build_preset windows -j "$jobs" && built32=1
build_preset windows64 -j "$jobs" && built64=1
if [ "$built32" -eq 1 ]; then
  size=$(stat -c %s build/windows/Quorrel.exe)
  echo "=== Quorrel.exe (32-bit, stripped): $size bytes ($((size / 1024)) KiB; goal under 1,000,000 bytes)"
fi
# The zip a Windows user downloads, made from that exe.
[ "$built32" -eq 1 ] && run_check package tests/tools/package_test.sh
if [ "$windows_preset" = windows ]; then
  [ "$built32" -eq 1 ] && run_suite windows build/windows -j 1
  # The start modes on the 64-bit build too, so that neither path rots unseen.
  [ "$built64" -eq 1 ] && run_suite windows64-smoke build/windows64 -j 1 -R 'StartModes|CodePage'
else
  [ "$built64" -eq 1 ] && run_suite windows64 build/windows64 -j 1
fi

# The README's run command, as a new user without a display meets it.
runnable=$built32
[ "$windows_preset" = windows64 ] && runnable=$built64
if [ "$runnable" -eq 1 ]; then
  run_check run-command tests/tools/run_command_test.sh
else
  suite_failed run-command build "the $windows_preset build failed"
fi

echo "=== $windows_reason"
python3 tools/count-tests.py "$results"
