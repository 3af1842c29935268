#!/usr/bin/env bash
# The README's run command as a new user meets it without a display: it must say that the
# program ran and leave a screenshot that shows a window (not one flat colour), on whichever
# Windows build this machine runs.
# --junit FILE: also writes the result as a one-case JUnit report for the test command.
set -u
repo=$(cd "$(dirname "$0")/../.." && pwd)
junit=""
[ "${1:-}" = --junit ] && junit=$2
shot="$repo/build/run/screenshot.png"
rm -f "$shot"
out=$(env -u DISPLAY timeout 300 bash "$repo/tools/run.sh" 2>&1)
rc=$?
printf '%s\n' "$out"
report() {  # failure message, empty when passed
  [ -n "$junit" ] || return 0
  local failure=""
  [ -n "$1" ] && failure="<failure message=\"$1\"/>"
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<testsuite name="run-command" tests="1"><testcase name="RunCommand.WithoutADisplayTheProgramRunsAndLeavesAScreenshot" status="run">%s</testcase></testsuite>\n' \
    "$failure" >"$junit"
}
fail() { echo "run command: $*"; report "$*"; exit 1; }
[ "$rc" -eq 0 ] || fail "exited $rc"
grep -q '^Quorrel ran' <<<"$out" || fail "did not say that the program ran"
[ -s "$shot" ] || fail "no screenshot at $shot"
colours=$(identify -format '%k' "$shot" 2>/dev/null)
[ "${colours:-0}" -gt 16 ] || fail "the screenshot is flat (${colours:-?} colours): no window in it"
echo "run command: the program ran, screenshot with $colours colours"
report ""
