# A private Wine prefix with one Xvfb display and one persistent wineserver for a whole run.
#
# Source this file, call hivelet_wine_start before the first wine command and hivelet_wine_stop
# at the end. Between the two, HIVELET_WINE_SESSION names the prefix, DISPLAY names our own Xvfb
# and every wine command reuses the warm wineserver (a cold one costs seconds per program).
#
# The prefix is shared by every run of this user; a lock serialises runs, because a second run
# would reuse the first run's wineserver and lose its display when the first run ends.

export WINEPREFIX="${HIVELET_WINEPREFIX:-${HOME:-/root}/.cache/hivelet/wine64}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="

hivelet_xvfb_pid=""
hivelet_wineserver_pid=""

# Marker written once the prefix is completely set up; a prefix without it is rebuilt. Its name
# changes whenever the set-up below changes, so older prefixes are rebuilt.
hivelet_wine_marker() { echo "$WINEPREFIX/.hivelet-prefix-ready-2"; }

hivelet_wine_log() { echo "wine: $*" >&2; }

# Stops what a run that died left behind, by the process ids it recorded.
hivelet_wine_reap_leftovers() {
  local pids="$WINEPREFIX.pids" pid
  [ -f "$pids" ] || return 0
  while read -r pid; do
    [ -n "$pid" ] || continue
    if grep -qaE 'wineserver|Xvfb' "/proc/$pid/cmdline" 2>/dev/null; then
      kill -TERM "$pid" 2>/dev/null || true
    fi
  done <"$pids"
  rm -f "$pids"
}

hivelet_wine_start_display() {
  local fifo display
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # -displayfd picks a free display number and writes it once the server accepts connections.
  Xvfb -displayfd 8 -screen 0 1024x768x24 -nolisten tcp 8>"$fifo" 9>&- >/dev/null 2>&1 &
  hivelet_xvfb_pid=$!
  read -r -t 30 display <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$display" ]; then
    hivelet_wine_log "Xvfb did not start"
    return 1
  fi
  export DISPLAY=":$display"
  echo "$hivelet_xvfb_pid" >>"$WINEPREFIX.pids"
}

hivelet_wine_create_prefix() {
  [ -f "$(hivelet_wine_marker)" ] && return 0
  hivelet_wine_log "creating the prefix $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -u 9>&- >/dev/null 2>&1 || { hivelet_wine_log "wineboot failed"; return 1; }
  wineserver -w
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f 9>&- >/dev/null 2>&1 ||
    { hivelet_wine_log "could not configure the prefix"; return 1; }
  # No window manager runs on Xvfb: unmanaged windows spare a 2 s wait on every hide.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f 9>&- >/dev/null 2>&1 ||
    { hivelet_wine_log "could not configure the prefix"; return 1; }
  wineserver -w
  wine --version >"$(hivelet_wine_marker)"
}

hivelet_wine_start_server() {
  wineserver -f -p 9>&- >/dev/null 2>&1 &
  hivelet_wineserver_pid=$!
  echo "$hivelet_wineserver_pid" >>"$WINEPREFIX.pids"
  # The first program starts the prefix's services; later programs start in a fraction of a second.
  wine cmd /c exit 0 9>&- >/dev/null 2>&1
  kill -0 "$hivelet_wineserver_pid" 2>/dev/null
}

# Wine's bitmap fonts ("MS Sans Serif" 8 pt is sserife.fon, the font of every Hivelet window): the
# prefix's registry names them, but Wine ignores its bitmap-only TrueType stand-ins, so without
# the .fon files in the Fonts folder programs asking for MS Sans Serif get a wider substitute.
# Done on every start, before the server runs, so that prefixes made earlier get them too.
hivelet_wine_bitmap_fonts() {
  local wine_fonts=/usr/share/wine/fonts fonts_dir="$WINEPREFIX/drive_c/windows/Fonts" font
  [ -d "$wine_fonts" ] && [ -f "$WINEPREFIX/system.reg" ] || return 0
  mkdir -p "$fonts_dir"
  for font in $(grep -oiE '="[a-z0-9_]+\.fon"' "$WINEPREFIX/system.reg" | tr -d '="' | sort -u); do
    [ -f "$fonts_dir/$font" ] || [ ! -f "$wine_fonts/$font" ] || cp "$wine_fonts/$font" "$fonts_dir/"
  done
}

hivelet_wine_start() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  if ! flock -w 1800 9; then
    hivelet_wine_log "another run holds $WINEPREFIX.lock"
    return 1
  fi
  hivelet_wine_reap_leftovers
  # Any wineserver still serving this prefix belongs to an earlier run of ours.
  wineserver -k 9>&- >/dev/null 2>&1 || true
  hivelet_wine_start_display || { hivelet_wine_stop; return 1; }
  hivelet_wine_create_prefix || { hivelet_wine_stop; return 1; }
  hivelet_wine_bitmap_fonts
  if ! hivelet_wine_start_server; then
    # A server started by the prefix set-up may still have been running: end it and retry.
    wineserver -k 9>&- >/dev/null 2>&1 || true
    hivelet_wine_start_server || { hivelet_wine_log "wineserver did not start"; hivelet_wine_stop; return 1; }
  fi
  export HIVELET_WINE_SESSION="$WINEPREFIX"
}

hivelet_wine_stop() {
  if [ -n "$hivelet_wineserver_pid" ]; then
    # Ends the prefix's programs (services, explorer); the server then exits by itself.
    wineserver -k 9>&- >/dev/null 2>&1 || true
    local i
    for i in $(seq 1 50); do
      kill -0 "$hivelet_wineserver_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -TERM "$hivelet_wineserver_pid" 2>/dev/null || true
    wait "$hivelet_wineserver_pid" 2>/dev/null || true
    hivelet_wineserver_pid=""
  fi
  if [ -n "$hivelet_xvfb_pid" ]; then
    kill -TERM "$hivelet_xvfb_pid" 2>/dev/null || true
    wait "$hivelet_xvfb_pid" 2>/dev/null || true
    hivelet_xvfb_pid=""
  fi
  rm -f "$WINEPREFIX.pids"
  unset HIVELET_WINE_SESSION
  exec 9>&-
}
