# Sourced by tools/test.sh (and by the test of its counting): building presets and running
# test suites so that every suite is accounted for, including those that never ran.
# Each suite leaves one line in $results/suites.tsv (name, status, detail) and, when its
# ctest (or check script) ran, a JUnit report $results/<name>.xml; tools/count-tests.py
# counts them.

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

# Runs a check that is no ctest suite: a script that writes its JUnit report to the file
# given after --junit; its exit status is kept for the count like ctest's.
run_check() {  # name script [args...]
  local name=$1 script=$2; shift 2
  echo "=== $name: tests"
  bash "$script" --junit "$results/$name.xml" "$@" 2>&1 | tail -n 25
  local rc=${PIPESTATUS[0]}
  printf '%s\tok\t%s\n' "$name" "$rc" >>"$results/suites.tsv"
  return "$rc"
}
