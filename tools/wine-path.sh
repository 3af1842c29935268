# Sourced by the test, run and bench scripts: which Windows build this machine can run.
#
# Some machines of this kind cannot execute 32-bit programs at all: the kernel refuses
# Wine's 32-bit loader (and even the 32-bit dynamic loader of libc) with "Exec format
# error". There the Windows and end-to-end tests run on the 64-bit build of the same
# sources, in a 64-bit Wine prefix. QUORREL_FORCE_WIN64=1 takes that path on any machine.

# The 64-bit loader of package wine64 (not on PATH).
wine64_loader() {
  local loader
  loader=$(dpkg -L wine64 2>/dev/null | grep -m1 '/wine64$')
  [ -n "$loader" ] || loader=/usr/lib/wine/wine64
  [ -x "$loader" ] || return 1
  printf '%s\n' "$loader"
}

# The 32-bit loader of package wine32, which Debian's wine script prefers when installed.
wine32_loader() {
  local loader
  loader=$(dpkg -L wine32 2>/dev/null | grep -m1 '/lib/wine/wine$')
  [ -n "$loader" ] || loader=/usr/lib/wine/wine
  printf '%s\n' "$loader"
}

# Sets windows_preset (windows or windows64), windows_reason (one line for the summary)
# and wine32_message (what the 32-bit loader said when it failed). Decided once: a value
# already in the environment (QUORREL_WINDOWS_PRESET) is kept, so that the scripts a run
# starts agree with it.
choose_windows_preset() {
  wine32_message=""
  if [ -n "${QUORREL_WINDOWS_PRESET:-}" ]; then
    windows_preset=$QUORREL_WINDOWS_PRESET
    windows_reason=${QUORREL_WINDOWS_REASON:-}
    return 0
  fi
  if [ "${QUORREL_FORCE_WIN64:-0}" != 0 ]; then
    windows_preset=windows64
    windows_reason="Windows tests on the 64-bit build: forced by QUORREL_FORCE_WIN64"
  else
    local loader out rc
    loader=$(wine32_loader)
    out=$("$loader" --version 2>&1)
    rc=$?
    if [ -x "$loader" ] && [ "$rc" -eq 0 ]; then
      windows_preset=windows
      windows_reason="Windows tests on the 32-bit build: this machine runs 32-bit programs"
    else
      windows_preset=windows64
      wine32_message=$(printf '%s' "$out" | head -n 1)
      windows_reason="Windows tests on the 64-bit build: this machine cannot run 32-bit programs"
    fi
  fi
  export QUORREL_WINDOWS_PRESET=$windows_preset QUORREL_WINDOWS_REASON=$windows_reason
}
