# Sourced by the Wine test bench scripts. Expects $dir: the bench folder of one build tree,
# and QUORREL_WINE_ARCH: win32 (the default) for the 32-bit build, win64 for the 64-bit one.
. "$(dirname "${BASH_SOURCE[0]}")/wine-path.sh"
export WINEPREFIX="$dir/prefix"
export WINEARCH=${QUORREL_WINE_ARCH:-win32}
if [ "$WINEARCH" = win64 ]; then
  # Debian's wine, wineboot and winepath scripts take the 32-bit loader whenever it is
  # installed, even where it cannot run: a 64-bit prefix is driven by the 64-bit loader.
  WINELOADER=$(wine64_loader) || { echo "wine bench: the 64-bit Wine loader is not installed" >&2; return 1; }
  export WINELOADER
  wine() { "$WINELOADER" "$@"; }
else
  unset WINELOADER
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# zh_CN.UTF-8 makes the ANSI code page 936 (GBK), as on the target systems.
export LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8

wine_bench_prefix() {
  mkdir -p "$dir"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.quorrel-ready-2" ]; then
      rm -rf "$WINEPREFIX"
      DISPLAY= wine wineboot -i >"$dir/wineboot.log" 2>&1
      wineserver -w
      local fonts='HKCU\Software\Wine\Fonts\Replacements'
      for f in "微软雅黑" "Microsoft YaHei" "宋体" "SimSun" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma"; do
        wine reg add "$fonts" /v "$f" /t REG_SZ /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
      done
      # QUORREL_LOGPIXELS at creation gives the prefix another screen DPI (144: 150 %).
      if [ -n "${QUORREL_LOGPIXELS:-}" ]; then
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$QUORREL_LOGPIXELS" /f >/dev/null 2>&1
        wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
          /v LogPixels /t REG_DWORD /d "$QUORREL_LOGPIXELS" /f >/dev/null 2>&1
      fi
      # Xvfb has no window manager: unmanaged windows close without Wine waiting for one.
      if [ -z "${QUORREL_WINE_MANAGED:-}" ]; then
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
      fi
      # A crash must fail the test, not wait behind a dialog.
      wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
      wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /t REG_SZ /d 1 /f >/dev/null 2>&1
      wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d 'false' /f >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.quorrel-ready-2"
    fi
  ) 9>"$dir/prefix.lock"
}

# Starts a private Xvfb; sets xvfb_pid and DISPLAY.
wine_bench_start_xvfb() {
  local fifo="$dir/displayfd.$$"
  rm -f "$fifo"
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -noreset 5>"$fifo" \
    </dev/null >"$dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  local n=""
  for _ in $(seq 1 100); do
    n=$(head -n1 "$fifo" 2>/dev/null)
    [ -n "$n" ] && break
    sleep 0.1
  done
  rm -f "$fifo"
  if [ -z "$n" ]; then
    echo "wine bench: Xvfb did not start" >&2
    kill "$xvfb_pid" 2>/dev/null
    return 1
  fi
  export DISPLAY=":$n"
}

pid_alive() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }
