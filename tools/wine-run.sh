#!/usr/bin/env bash
# Runs one Windows executable under the build tree's Wine test bench:
#   QUORREL_WINE_DIR=<build>/wine tools/wine-run.sh program.exe [args...]
# Uses the bench's display when a test run has started one, otherwise a private Xvfb
# that is stopped (by its process id) when the program ends.
set -u
dir=${QUORREL_WINE_DIR:?QUORREL_WINE_DIR is not set}
. "$(dirname "$0")/wine-env.sh" || exit 1
wine_bench_prefix

own_xvfb=""
if [ -f "$dir/bench.env" ] && . "$dir/bench.env" && pid_alive "${BENCH_XVFB_PID:-}"; then
  export DISPLAY="$BENCH_DISPLAY"
elif [ -n "${QUORREL_DISPLAY:-}" ]; then
  export DISPLAY="$QUORREL_DISPLAY"
else
  wine_bench_start_xvfb || exit 1
  own_xvfb=$xvfb_pid
fi

wine "$@"
rc=$?
if [ -n "$own_xvfb" ]; then
  wineserver -w
  kill "$own_xvfb" 2>/dev/null
  wait "$own_xvfb" 2>/dev/null
fi
exit $rc
