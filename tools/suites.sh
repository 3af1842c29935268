# Sourced by tools/test.sh (and by the test of its counting): building presets and running
# test suites so that every suite is accounted for, including those that never ran.
# Each suite leaves one line in $results/suites.tsv (name, status, detail) and, when its
# ctest ran, a JUnit report $results/<name>.xml; tools/count-tests.py counts them.

suites_begin() {  # results-folder
  results=$1
  rm -rf "$results"
  mkdir -p "$results"
  : >"$results/suites.tsv"
}

# A suite that could not run: it counts as failed, with the reason.
suite_failed() {  # name status detail
  printf '%s\t%s\t%s\n' "$1" "$2" "$3" >>"$results/suites.tsv"
  echo "=== $1: $2 FAILED ($3)"
}

# Configures and builds a preset; false (and one failed suite) when either fails.
build_preset() {  # preset [build args...]
  local preset=$1; shift
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >"$results/$preset-configure.log" 2>&1; then
    tail -n 30 "$results/$preset-configure.log"
    suite_failed "$preset" configure "see $results/$preset-configure.log"
    return 1
  fi
  if ! cmake --build --preset "$preset" "$@" >"$results/$preset-build.log" 2>&1; then
    grep -E 'error|Error' "$results/$preset-build.log" | head -n 30
    suite_failed "$preset" build "see $results/$preset-build.log"
    return 1
  fi
}

# Runs the tests of a build tree; ctest's exit status is kept for the count.
run_suite() {  # name build-dir [ctest args...]
  local name=$1 dir=$2; shift 2
  echo "=== $name: tests"
  ctest --test-dir "$dir" --output-on-failure --output-junit "$results/$name.xml" "$@" 2>&1 | tail -n 25
  local rc=${PIPESTATUS[0]}
  printf '%s\tok\t%s\n' "$name" "$rc" >>"$results/suites.tsv"
  return "$rc"
}

# A suite that is one check by a command rather than a ctest run: one test case, passed when
# the command exits 0. Its output goes to $results/<name>.log (the last lines are shown).
run_check() {  # name command...
  local name=$1; shift
  echo "=== $name"
  local log="$results/$name.log"
  "$@" >"$log" 2>&1
  local rc=$?
  tail -n 12 "$log"
  python3 - "$results/$name.xml" "$name" "$rc" "$log" <<'PY'
import sys
from xml.sax.saxutils import escape, quoteattr
path, name, rc, log = sys.argv[1:]
text = open(log, encoding="utf-8", errors="replace").read()[-4000:]
failure = "" if rc == "0" else f"<failure message={quoteattr('exit ' + rc)}>{escape(text)}</failure>"
open(path, "w", encoding="utf-8").write(
    f'<?xml version="1.0" encoding="UTF-8"?>\n<testsuite name={quoteattr(name)} tests="1">'
    f'<testcase name={quoteattr(name)} status="run">{failure}</testcase></testsuite>\n')
PY
  printf '%s\tok\t%s\n' "$name" "$rc" >>"$results/suites.tsv"
  return "$rc"
}
