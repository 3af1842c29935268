#!/usr/bin/env bash
# Installs what is missing, builds Quorrel.exe and starts it under Wine: on your display
# when there is one, otherwise in a private Xvfb display, saving a screenshot.
# The program keeps its files beside the exe in build/run/. Where this machine cannot run
# 32-bit programs (or with QUORREL_FORCE_WIN64=1) the 64-bit build of the same sources runs.
# Says that the program ran only once its window has appeared; otherwise it says what
# failed, with Wine's own message, and exits non-zero.
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
# Only the libraries of the build that runs here (the test command makes both).
if [ "$(id -u)" -eq 0 ]; then bash tools/setup.sh chosen; else sudo -E bash tools/setup.sh chosen; fi || exit 1
. tools/wine.sh
wine_choose_build
preset=$windows_preset
echo "${windows_reason/Windows tests/Quorrel runs}"
cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" --target Quorrel -j "$(nproc)" >/dev/null || {
  echo "build failed"; exit 1; }

rundir="$repo/build/run"
mkdir -p "$rundir"
cp -f "build/$preset/Quorrel.exe" "$rundir/Quorrel.exe"
cd "$rundir" || exit 1
log="$rundir/wine.log"

# The program's first window: the main window, the keypad of a locked start, or the
# input window of a file start.
window_shown() {
  xwininfo -display "$DISPLAY" -root -tree 2>/dev/null | grep -qE '"(Quorrel Ver 2\.62|启动密码|辅助输入)"'
}

# Waits for the window while the program runs; false when it ended or never showed one.
wait_window() {  # pid
  for _ in $(seq 1 150); do
    window_shown && return 0
    kill -0 "$1" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}

explain_failure() {
  echo "Quorrel did not show a window. Wine said:"
  if [ -s "$log" ]; then tail -n 15 "$log" | sed 's/^/    /'; else echo "    (nothing)"; fi
}

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  # A prefix of its own, whose windows your window manager looks after.
  wine_use "$rundir/wine-$preset" "$preset" || exit 1
  wine_prefix managed
  echo "Starting Quorrel on $DISPLAY (files in $rundir)"
  wine_start "$log" Quorrel.exe "$@"
  if ! wait_window "$wine_pid"; then
    explain_failure
    kill "$wine_pid" 2>/dev/null
    exit 1
  fi
  echo "Quorrel is running; close it to end this command"
  wait "$wine_pid"
  exit 0
fi

wine_use "$repo/build/$preset/wine" "$preset" || exit 1
wine_prefix
wine_start_xvfb || exit 1
echo "No display: started a private Xvfb on $DISPLAY"
wine_start "$log" Quorrel.exe "$@"
status=0
if wait_window "$wine_pid"; then
  sleep 1  # let it finish painting
  shot="$rundir/screenshot.png"
  import -window root "$shot" 2>/dev/null && echo "Screenshot saved to $shot"
  echo "Quorrel ran; its files are in $rundir"
else
  explain_failure
  status=1
fi
wineserver -k 2>/dev/null
kill "$wine_pid" "$xvfb_pid" 2>/dev/null
wait "$wine_pid" "$xvfb_pid" 2>/dev/null
exit $status
