# The platform the programs run on: a virtual X display, one Wine server for
# the build's own prefix and a kept-alive desktop process. Sourced by run.sh.
#
# One build has one platform. The first run.sh that needs it starts it and
# names itself and its display in $BUILD_DIR/platform.env; a second run.sh on
# the same build (for instance `./run.sh test` beside an open `./run.sh shell`)
# finds that run alive, uses its platform as it is and stops nothing of it. A
# run stops only what it started itself.

PLATFORM_LOCK=$BUILD_DIR/platform.lock  # held only while the above is read or written
PLATFORM_ENV=$BUILD_DIR/platform.env
XVFB_PID="" DESKTOP_PID="" WINESERVER_STARTED=0

wine_environment() {
  export WINEPREFIX=$BUILD_DIR/wineprefix WINEDEBUG=-all WINEARCH=win64
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export WINELOADER=/usr/lib/wine/wine64 WINE=/usr/lib/wine/wine64
}

start_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 8>&- &
    XVFB_PID=$!
    for _ in $(seq 1 100); do
      kill -0 "$XVFB_PID" 2>/dev/null || break
      if [ -e "/tmp/.X11-unix/X$n" ]; then export DISPLAY=":$n"; return; fi
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null || true
  done
  log "no display could be started"; exit 1
}

start_wine() {
  mkdir -p "$WINEPREFIX"
  # A server that something else started for this prefix is not ours to use
  # or to stop.
  if ! wineserver -p; then
    log "a Wine server that run.sh did not start runs for $WINEPREFIX; stop it (WINEPREFIX=$WINEPREFIX wineserver -k) or use another BUILD_DIR"
    exit 1
  fi
  WINESERVER_STARTED=1
  if [ ! -e "$WINEPREFIX/system.reg" ]; then
    log "creating the Wine prefix"
    timeout 300 "$WINE" wineboot -i >/dev/null 2>&1 || true
  fi
  # Xvfb has no window manager; stop Wine from waiting for one.
  timeout 60 "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  # A crashing program just ends: no debugger is started to hold it.
  timeout 60 "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f \
    >/dev/null 2>&1 || true
  # The desktop's process would otherwise start with every program that opens a
  # window and end after it (a second or more each time, with every test case a
  # process of its own); keep it for the whole run.
  timeout 10800 "$WINE" explorer.exe /desktop >/dev/null 2>&1 &
  DESKTOP_PID=$!
}

stop_platform() {
  [ -n "$DESKTOP_PID" ] && kill "$DESKTOP_PID" 2>/dev/null || true
  [ "$WINESERVER_STARTED" -eq 1 ] && timeout 20 wineserver -k >/dev/null 2>&1 || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && rm -f "$PLATFORM_ENV"
  return 0
}

# Starts the platform, or joins the one that another run of this build keeps
# alive (its process and its display still there).
start_platform() {
  wine_environment
  local owner="" display=""
  exec 8>"$PLATFORM_LOCK"
  flock -w 60 8 || { log "cannot lock $PLATFORM_LOCK"; exit 1; }
  if [ -s "$PLATFORM_ENV" ]; then read -r owner display <"$PLATFORM_ENV" || true; fi
  if [ -n "$owner" ] && kill -0 "$owner" 2>/dev/null && [ -e "/tmp/.X11-unix/X${display#:}" ]; then
    exec 8>&-
    export DISPLAY=$display
    log "using the display $DISPLAY and the Wine server of run.sh $owner, which runs on this build"
    return
  fi
  trap stop_platform EXIT
  start_display
  echo "$$ $DISPLAY" >"$PLATFORM_ENV"
  exec 8>&-
  start_wine
}
