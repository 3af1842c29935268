#!/usr/bin/env bash
# The README's run command as a new user meets it without a display: it must say that the
# program ran and leave a screenshot that shows a window (not one flat colour), on whichever
# Windows build this machine runs.
set -u
repo=$(cd "$(dirname "$0")/../.." && pwd)
shot="$repo/build/run/screenshot.png"
rm -f "$shot"
out=$(env -u DISPLAY timeout 300 bash "$repo/tools/run.sh" 2>&1)
rc=$?
printf '%s\n' "$out"
fail() { echo "run command: $*"; exit 1; }
[ "$rc" -eq 0 ] || fail "exited $rc"
grep -q '^Quorrel ran' <<<"$out" || fail "did not say that the program ran"
[ -s "$shot" ] || fail "no screenshot at $shot"
colours=$(identify -format '%k' "$shot" 2>/dev/null)
[ "${colours:-0}" -gt 16 ] || fail "the screenshot is flat (${colours:-?} colours): no window in it"
echo "run command: the program ran, screenshot with $colours colours"
