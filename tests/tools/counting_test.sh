#!/usr/bin/env bash
# The test command counts every suite: a suite whose emulator cannot start (a stand-in
# loader that exits 126 with "Exec format error", as Wine's 32-bit loader does where the
# kernel refuses 32-bit programs) fails the run, and so does a suite that did not build.
# The same suite with a working emulator passes, so the check can tell the two apart.
set -u
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
check() {  # description condition...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fails=$((fails + 1)); fi
}

mkdir -p "$work/project"
cat >"$work/project/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(counting CXX)
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)
add_executable(fake_tests fake_test.cpp)
target_link_libraries(fake_tests PRIVATE GTest::gtest_main)
set_target_properties(fake_tests PROPERTIES CROSSCOMPILING_EMULATOR "${EMULATOR}")
gtest_discover_tests(fake_tests DISCOVERY_MODE PRE_TEST)
CMAKE
cat >"$work/project/fake_test.cpp" <<'CPP'
#include <gtest/gtest.h>
TEST(Fake, One) {}
TEST(Fake, Two) {}
CPP
printf '#!/bin/sh\necho "$1: cannot execute binary file: Exec format error" >&2\nexit 126\n' >"$work/broken-loader"
printf '#!/bin/sh\nexec "$@"\n' >"$work/working-loader"
chmod +x "$work/broken-loader" "$work/working-loader"

# One counted run over a tree built with the given emulator; prints the counter's output.
counted_run() {  # emulator results-folder
  local build="$work/build-$(basename "$1")"
  cmake -S "$work/project" -B "$build" -DEMULATOR="$1" >/dev/null 2>&1 &&
    cmake --build "$build" >/dev/null 2>&1 || { echo "fake suite did not build"; return 2; }
  . "$repo/tools/suites.sh"
  suites_begin "$2"
  run_suite fake "$build" >/dev/null
  python3 "$repo/tools/count-tests.py" "$2"
}

out=$(counted_run "$work/working-loader" "$work/results-ok"); rc=$?
echo "$out"
check "a suite that starts is counted and passes" [ "$rc" -eq 0 ]
check "its two tests are in the last line" grep -q '^2 passed, 0 failed' <<<"$(tail -n1 <<<"$out")"

out=$(counted_run "$work/broken-loader" "$work/results-broken"); rc=$?
echo "$out"
check "a suite whose loader exits 126 fails the run" [ "$rc" -eq 1 ]
check "the summary does not say 0 failed" bash -c '! tail -n1 <<<"$1" | grep -q " 0 failed"' _ "$out"
check "one line names the suite and why" grep -q '^suite fake: .*counted as 1 failed' <<<"$out"

. "$repo/tools/suites.sh"
suites_begin "$work/results-build"
suite_failed windows build "compiler error" >/dev/null
out=$(python3 "$repo/tools/count-tests.py" "$work/results-build"); rc=$?
echo "$out"
check "a suite that did not build fails the run" [ "$rc" -eq 1 ]
check "and is named" grep -q '^suite windows: build FAILED' <<<"$out"

# A check script (no ctest) is counted from the report it writes, and fails the run when
# one of its checks fails or when it ends without a report.
cat >"$work/check.sh" <<'SH'
[ "$3" = none ] && exit 2
printf '<testsuite><testcase name="good"/><testcase name="bad"><failure message="x"/></testcase></testsuite>\n' >"$2"
exit 1
SH
suites_begin "$work/results-check"
run_check pkg "$work/check.sh" some >/dev/null
out=$(python3 "$repo/tools/count-tests.py" "$work/results-check"); rc=$?
echo "$out"
check "a failing check script fails the run" [ "$rc" -eq 1 ]
check "its failing check is named" grep -q '^suite pkg: FAILED bad' <<<"$out"
check "and its passing one counted" grep -q '^1 passed, 1 failed' <<<"$(tail -n1 <<<"$out")"
suites_begin "$work/results-none"
run_check pkg "$work/check.sh" none >/dev/null
out=$(python3 "$repo/tools/count-tests.py" "$work/results-none"); rc=$?
echo "$out"
check "a check script that leaves no report fails the run" [ "$rc" -eq 1 ]

[ "$fails" -eq 0 ]
