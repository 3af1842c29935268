#!/usr/bin/env bash
# The Wine test bench of one build tree (the ctest fixture):
#   tools/wine-bench.sh up|down <build>/wine windows|windows64
# `up` starts an Xvfb display and a persistent wineserver for a whole test run, `down` ends
# both by their process ids.
set -u
cmd=${1:?up or down}
dir=${2:?bench folder}
# Absolute from here on: Wine refuses a relative prefix ("not an absolute path").
mkdir -p "$dir" && dir=$(cd "$dir" && pwd) || { echo "wine bench: cannot use the folder '$2'" >&2; exit 1; }
. "$(dirname "$0")/wine.sh"
wine_use "$dir" "${3:-windows}" || exit 1

# Folders the end-to-end tests cannot make from inside Wine: one where nothing can be
# created (immutable, with a copy of the program in it), and one on a small file system that
# they fill. Where the machine refuses, a note beside it says why, and the tests that need
# it are skipped with that reason.
folders="$dir/folders"
folders_up() {
  folders_down
  mkdir -p "$folders/unwritable"
  local exe="$dir/../Quorrel.exe" why=""
  if [ ! -f "$exe" ]; then
    why="no Quorrel.exe beside the bench"
  else
    cp "$exe" "$folders/unwritable/Quorrel.exe"
    why=$(chattr +i "$folders/unwritable" 2>&1) && why=""
  fi
  [ -n "$why" ] && printf 'a folder where nothing can be created: %s\n' "$why" >"$folders/unwritable.skip"

  # A disk that the tests can fill: a small file system of its own (room for a copy of the
  # program and 1 MiB), which the tests fill up to the last few KiB and empty again.
  mkdir -p "$folders/full"
  why=""
  if [ ! -f "$exe" ]; then
    why="no Quorrel.exe beside the bench"
  elif why=$(mount -t tmpfs -o "size=$(( $(stat -c %s "$exe") / 1024 + 1024 ))k,mode=0777" tmpfs \
               "$folders/full" 2>&1); then
    why=$(cp "$exe" "$folders/full/Quorrel.exe" 2>&1) && why=""
  fi
  [ -n "$why" ] && printf 'a small file system to fill: %s\n' "$why" >"$folders/full.skip"
  return 0
}

folders_down() {
  [ -d "$folders" ] || return 0
  [ -d "$folders/unwritable" ] && chattr -i "$folders/unwritable" 2>/dev/null
  if mountpoint -q "$folders/full" 2>/dev/null; then
    # Lazily when a process the tests left behind still has a file open there.
    umount "$folders/full" 2>/dev/null || umount -l "$folders/full"
  fi
  # The network folder a test serves for itself, should it have been left behind: while it
  # stands Wine says "not found" for every other server.
  rm -rf "$WINEPREFIX/dosdevices/unc"
  rm -rf "$folders"
}

# Wine's processes running in this bench's prefix: id and command line, one a line.
prefix_processes() {
  local p exe
  for p in /proc/[0-9]*; do
    exe=$(readlink "$p/exe" 2>/dev/null) || continue
    case "$exe" in */wine/*) ;; *) continue ;; esac
    { tr '\0' '\n' <"$p/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX"; } 2>/dev/null || continue
    printf '%s %s\n' "${p#/proc/}" "$({ tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null)"
  done
}

case "$cmd" in
up)
  folders_up
  wine_prefix
  if [ -f "$dir/bench.env" ]; then
    . "$dir/bench.env"
    pid_alive "${BENCH_XVFB_PID:-}" && { echo "wine bench: already up on $BENCH_DISPLAY"; exit 0; }
  fi
  wine_start_xvfb || exit 1
  wineserver -f -p </dev/null >"$dir/wineserver.log" 2>&1 &
  ws_pid=$!
  # Wine's own service processes start with the first program and outlive it: start them
  # here, away from the test runner's output pipes, which it would otherwise wait on.
  wine_run cmd /c ver </dev/null >"$dir/warmup.log" 2>&1
  printf 'BENCH_DISPLAY=%s\nBENCH_XVFB_PID=%s\nBENCH_WINESERVER_PID=%s\n' \
    "$DISPLAY" "$xvfb_pid" "$ws_pid" >"$dir/bench.env"
  echo "wine bench: display $DISPLAY (Xvfb $xvfb_pid), wineserver $ws_pid, code page test follows"
  ;;
down)
  folders_down
  [ -f "$dir/bench.env" ] || exit 0
  . "$dir/bench.env"
  # The prefix is this build tree's own: ending its wineserver ends its leftover processes
  # (Wine's services among them), which killing the server by its id alone would orphan.
  if ! out=$(wineserver -k 2>&1); then
    pid_alive "${BENCH_WINESERVER_PID:-}" && echo "wine bench: wineserver -k failed: ${out:-no reason given}" >&2
  fi
  for p in "${BENCH_WINESERVER_PID:-}" "${BENCH_XVFB_PID:-}"; do
    if pid_alive "$p"; then
      kill "$p" 2>/dev/null
      for _ in $(seq 1 50); do pid_alive "$p" || break; sleep 0.1; done
      pid_alive "$p" && kill -9 "$p" 2>/dev/null
    fi
  done
  rm -f "$dir/bench.env"
  # Nothing of this prefix may outlive the bench.
  for _ in $(seq 1 50); do
    left=$(prefix_processes)
    [ -z "$left" ] && break
    sleep 0.1
  done
  if [ -n "$left" ]; then
    printf 'wine bench: still running in %s:\n%s\n' "$WINEPREFIX" "$left" >&2
    exit 1
  fi
  echo "wine bench: down"
  ;;
*) echo "usage: $0 up|down DIR windows|windows64" >&2; exit 2 ;;
esac
