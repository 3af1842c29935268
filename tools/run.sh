#!/usr/bin/env bash
# Installs what is missing, builds Quorrel.exe and starts it under Wine: on your display
# when there is one, otherwise in a private Xvfb display, saving a screenshot.
# The program keeps its files beside the exe in build/run/.
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
if [ "$(id -u)" -eq 0 ]; then bash tools/setup.sh; else sudo -E bash tools/setup.sh; fi || exit 1
cmake --preset windows >/dev/null && cmake --build --preset windows --target Quorrel -j "$(nproc)" >/dev/null || {
  echo "build failed"; exit 1; }

rundir="$repo/build/run"
mkdir -p "$rundir"
cp -f build/windows/Quorrel.exe "$rundir/Quorrel.exe"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  # A prefix of its own, whose windows your window manager looks after.
  dir="$repo/build/run/wine" QUORREL_WINE_MANAGED=1
  export QUORREL_WINE_MANAGED
  . tools/wine-env.sh
  wine_bench_prefix
  echo "Starting Quorrel on $DISPLAY (files in $rundir)"
  cd "$rundir" && exec wine Quorrel.exe "$@"
fi

dir="$repo/build/windows/wine"
. tools/wine-env.sh
wine_bench_prefix
wine_bench_start_xvfb || exit 1
echo "No display: started a private Xvfb on $DISPLAY"
(cd "$rundir" && wine Quorrel.exe "$@" </dev/null >"$rundir/wine.log" 2>&1) &
app=$!
sleep 6
shot="$rundir/screenshot.png"
import -window root "$shot" 2>/dev/null && echo "Screenshot saved to $shot"
wineserver -k 2>/dev/null
kill "$app" "$xvfb_pid" 2>/dev/null
wait "$app" "$xvfb_pid" 2>/dev/null
echo "Quorrel ran; its files are in $rundir"
