# Quorrel's Windows programs under Wine, in one place. Sourced by tools/run.sh, tools/test.sh,
# tools/bench.sh, the bench fixture tools/wine-bench.sh and each Windows build tree's emulator
# (build/<preset>/wine-run, made from tools/wine-run.in).
#
#   wine_choose_build    which build runs here: windows (32-bit) where this machine runs 32-bit
#                        programs, windows64 where the kernel refuses them ("Exec format error")
#                        or with QUORREL_FORCE_WIN64=1. Decided once per run: the answer goes to
#                        child scripts in QUORREL_WINDOWS_PRESET.
#   wine_use DIR BUILD   the bench folder of a build tree (prefix, logs, display) and its loader:
#                          windows    Debian's `wine`, which execs the 32-bit loader
#                          windows64  package wine64's loader itself, with WINELOADER and
#                                     WINEARCH=win64: Debian's wine, wineboot and winepath
#                                     scripts take the 32-bit loader whenever it is installed,
#                                     even where it cannot run
#   wine_run, wine_start run a program through $wine_loader, which is a program and never a shell
#                        function, so that the loader is what runs and a pid is the program's
#   wine_prefix, wine_start_xvfb, wine_emulate  the prefix, a private display, the emulator
#
# QUORREL_LOGPIXELS at the prefix's creation gives it another screen DPI (144: the dpi150 test).

# The 64-bit loader of package wine64 (not on PATH).
wine64_loader() {
  local loader
  loader=$(dpkg -L wine64 2>/dev/null | grep -m1 '/wine64$')
  [ -n "$loader" ] || loader=/usr/lib/wine/wine64
  [ -x "$loader" ] || return 1
  printf '%s\n' "$loader"
}

# The 32-bit loader of package wine32, the one Debian's wine script prefers when installed.
wine32_loader() {
  local loader
  loader=$(dpkg -L wine32 2>/dev/null | grep -m1 '/lib/wine/wine$')
  printf '%s\n' "${loader:-/usr/lib/wine/wine}"
}

# Sets windows_preset (windows or windows64), windows_reason (one line for the summary) and
# wine32_message (the 32-bit loader's first line when it failed; empty otherwise).
wine_choose_build() {
  wine32_message=""
  windows_preset=${QUORREL_WINDOWS_PRESET:-}
  case "$windows_preset" in
  windows | windows64) ;;
  *)
    [ -z "$windows_preset" ] ||
      echo "wine: QUORREL_WINDOWS_PRESET='$windows_preset' is no Windows build; deciding again" >&2
    local out
    if [ "${QUORREL_FORCE_WIN64:-0}" != 0 ]; then
      windows_preset=windows64
    elif out=$("$(wine32_loader)" --version 2>&1); then
      windows_preset=windows
    else
      windows_preset=windows64
      # bash's own "file: line N:" in front of the kernel's answer says nothing here
      wine32_message=$(printf '%s\n' "$out" | head -n 1 | sed 's/^.*: line [0-9]*: //')
    fi
    export QUORREL_WINDOWS_PRESET=$windows_preset ;;
  esac
  if [ "$windows_preset" = windows ]; then
    windows_reason="Windows tests on the 32-bit build: this machine runs 32-bit programs"
  elif [ "${QUORREL_FORCE_WIN64:-0}" != 0 ]; then
    windows_reason="Windows tests on the 64-bit build: forced by QUORREL_FORCE_WIN64"
  else
    windows_reason="Windows tests on the 64-bit build: this machine cannot run 32-bit programs"
  fi
}

# Sets wine_dir, wine_loader and Wine's environment for one build tree's bench folder.
wine_use() {  # bench-folder windows|windows64
  wine_dir=$1
  case "${2:-}" in
  windows)
    wine_loader=wine
    unset WINELOADER
    export WINEARCH=win32 ;;
  windows64)
    wine_loader=$(wine64_loader) || {
      echo "wine: the 64-bit loader is not installed (package wine64)" >&2; return 1; }
    export WINELOADER=$wine_loader WINEARCH=win64 ;;
  *) echo "wine: no Windows build '${2:-}' (windows or windows64)" >&2; return 1 ;;
  esac
  mkdir -p "$wine_dir"
  export WINEPREFIX="$wine_dir/prefix"
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  # zh_CN.UTF-8 makes the ANSI code page 936 (GBK), as on the target systems; it must be set
  # when the prefix is created and on every run.
  export LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8
}

wine_run() { "$wine_loader" "$@"; }

# Starts a program in the background with its output in a log; wine_pid is the program itself.
wine_start() {  # log program [args...]
  local log=$1
  shift
  "$wine_loader" "$@" </dev/null >"$log" 2>&1 &
  wine_pid=$!
}

# Creates the prefix once (under a lock: tests may start together). With "managed" its windows
# are left to a window manager; without one (Xvfb) they must be unmanaged, or Wine waits for
# the manager when they close.
wine_prefix() {  # [managed]
  (
    flock 9
    [ -f "$WINEPREFIX/.quorrel-ready-2" ] && exit 0
    add_key() { wine_run reg add "$@" /f >/dev/null 2>&1; }
    rm -rf "$WINEPREFIX"
    DISPLAY='' wine_run wineboot -i >"$wine_dir/wineboot.log" 2>&1
    wineserver -w
    for f in "微软雅黑" "Microsoft YaHei" "宋体" "SimSun" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma"; do
      add_key 'HKCU\Software\Wine\Fonts\Replacements' /v "$f" /t REG_SZ /d "WenQuanYi Micro Hei"
    done
    if [ -n "${QUORREL_LOGPIXELS:-}" ]; then
      add_key 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$QUORREL_LOGPIXELS"
      add_key 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
        /v LogPixels /t REG_DWORD /d "$QUORREL_LOGPIXELS"
    fi
    [ "${1:-}" = managed ] || add_key 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
    # A crash must fail the test, not wait behind a dialog.
    add_key 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
    add_key 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /t REG_SZ /d 1
    add_key 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d false
    wineserver -w
    touch "$WINEPREFIX/.quorrel-ready-2"
  ) 9>"$wine_dir/prefix.lock"
}

# Starts a private Xvfb; sets xvfb_pid and DISPLAY.
wine_start_xvfb() {
  local fifo="$wine_dir/displayfd.$$" n=""
  rm -f "$fifo"
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -noreset 5>"$fifo" \
    </dev/null >"$wine_dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    n=$(head -n1 "$fifo" 2>/dev/null)
    [ -n "$n" ] && break
    sleep 0.1
  done
  rm -f "$fifo"
  if [ -z "$n" ]; then
    echo "wine: Xvfb did not start" >&2
    kill "$xvfb_pid" 2>/dev/null
    return 1
  fi
  export DISPLAY=":$n"
}

# The emulator: runs one program on the bench's display when a test run has it up
# (tools/wine-bench.sh), otherwise on a private Xvfb that ends, by its id, with the program.
wine_emulate() {  # program [args...]
  local own_xvfb="" rc
  wine_prefix
  if [ -f "$wine_dir/bench.env" ] && . "$wine_dir/bench.env" && pid_alive "${BENCH_XVFB_PID:-}"; then
    export DISPLAY=$BENCH_DISPLAY
  else
    wine_start_xvfb || return 1
    own_xvfb=$xvfb_pid
  fi
  wine_run "$@"
  rc=$?
  if [ -n "$own_xvfb" ]; then
    wineserver -w
    kill "$own_xvfb" 2>/dev/null
    wait "$own_xvfb" 2>/dev/null
  fi
  return $rc
}

pid_alive() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }
