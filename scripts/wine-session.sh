# Sourced by the test, demo and bench scripts: one Xvfb display and one persistent wineserver,
# both started here and stopped (by pid, and wineserver -k for our own prefix) on exit.
#   nudge_wine_start BUILD_DIR   exports WINEPREFIX, WINEDEBUG, DISPLAY
#   nudge_wine_stop

nudge_wine_start() {
  local build=$1
  export WINEPREFIX="$build/wineprefix"
  export WINEDEBUG=-all
  export WINEARCH=win64
  export WINEDLLOVERRIDES="mscoree,mshtml="
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # Xvfb picks a free display itself and tells us which; 1280x1100 keeps the popup's lowest rows on screen.
  Xvfb -displayfd 3 -screen 0 1280x1100x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  NUDGE_XVFB_PID=$!
  local num
  read -r num <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$num"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # Only the 64-bit loader runs here (no 32-bit processes in this sandbox): wine64 throughout.
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
    # Without a window manager Wine delays some window operations unless windows are unmanaged.
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
  fi
  /usr/lib/wine/wineserver -p >/dev/null 2>&1
  # Start Wine's resident processes (services, the desktop window) now, with their output on /dev/null:
  # started by the first test instead, they would inherit CTest's pipes and keep it waiting.
  /usr/lib/wine/wine64 wineboot >/dev/null 2>&1 </dev/null || true
  trap nudge_wine_stop EXIT
}

nudge_wine_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "${NUDGE_XVFB_PID:-}" ]; then
    kill "$NUDGE_XVFB_PID" 2>/dev/null || true
    wait "$NUDGE_XVFB_PID" 2>/dev/null || true
    NUDGE_XVFB_PID=
  fi
}
