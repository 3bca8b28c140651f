# A private Wine prefix with one Xvfb display and one persistent wineserver for a whole run.
# Source this file, then call hivelet_wine_start before the first wine command and
# hivelet_wine_stop at the end.

export WINEPREFIX="${HIVELET_WINEPREFIX:-$HOME/.cache/hivelet/wine64}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

hivelet_xvfb_pid=""

hivelet_wine_start() {
  if [ -z "${DISPLAY:-}" ] || [ -n "${HIVELET_OWN_DISPLAY:-}" ]; then
    local n
    for n in 91 92 93 94 95 96 97 98 99; do
      if [ ! -e "/tmp/.X${n}-lock" ]; then break; fi
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    hivelet_xvfb_pid=$!
    export DISPLAY=":$n"
    export HIVELET_OWN_DISPLAY=1
    local i
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X${n}" ] && break
      sleep 0.1
    done
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -u >/dev/null 2>&1 || true
    wineserver -w || true
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1 || true
    # No window manager runs on Xvfb: unmanaged windows spare a 2 s wait on every hide.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  wineserver -p >/dev/null 2>&1 || true
  wine cmd /c exit 0 >/dev/null 2>&1 || true
}

hivelet_wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$hivelet_xvfb_pid" ]; then
    kill "$hivelet_xvfb_pid" 2>/dev/null || true
    wait "$hivelet_xvfb_pid" 2>/dev/null || true
    hivelet_xvfb_pid=""
  fi
}
