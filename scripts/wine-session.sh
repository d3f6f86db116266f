# Sourced by the test and demo scripts: a display and a warm Wine server for
# one prefix. Wine's background processes must not inherit CTest's pipes, so
# the server and one wineboot start here with their standard streams closed.
krv_start_display() {
  export DISPLAY="${KRV_DISPLAY:-:99}"
  if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
    # A server that was killed leaves its lock behind, and a new one refuses
    # to start while it is there.
    local n="${DISPLAY#:}"
    rm -f "/tmp/.X${n}-lock" "/tmp/.X11-unix/X${n}"
    Xvfb "$DISPLAY" -screen 0 1920x1080x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    for _ in $(seq 50); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "Xvfb did not start on $DISPLAY" >&2
    return 1
  fi
}

# krv_start_wine <prefix>
krv_start_wine() {
  export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wineserver -p </dev/null >/dev/null 2>&1
  /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1
}

krv_stop_wine() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
}
