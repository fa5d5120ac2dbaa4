# Sourced by the scripts: the Wine prefix, the X display and a warm wineserver
# of the flavour chosen by QRV_ARCH (see arch.sh). Each flavour has its own
# prefix outside the clone, made once: a 32-bit one run by wine32 for i686, a
# 64-bit one run by wine64 for x86_64. One prefix has one wineserver, and all
# its clients must use the same X display.
source "$(dirname "${BASH_SOURCE[0]}")/arch.sh"
qrv_select_arch
export WINEPREFIX=$QRV_WINEPREFIX_DIR
if [ "$QRV_ARCH" = i686 ]; then export WINEARCH=win32; else export WINEARCH=win64; fi
# The flavour's own loader: /usr/bin/wine would take wine32 wherever it is
# installed, whatever the prefix.
export WINELOADER=$QRV_WINE_LOADER
wine() { "$QRV_WINE_LOADER" "$@"; }
wineboot() { "$QRV_WINE_LOADER" wineboot.exe "$@"; }
winepath() { "$QRV_WINE_LOADER" winepath.exe "$@"; }
export WINEDEBUG=${WINEDEBUG:--all}
# winedbg disabled: a crashing test ends at once instead of waiting in the debugger.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
# d3d9 off: without (32-bit) OpenGL the video renderer's Direct3D presenter
# fails and rendering any video ends the process; the GDI renderer plays it.
WINEDLLOVERRIDES="$WINEDLLOVERRIDES;d3d9=d"
# Sound goes to ALSA's null device: plays at real speed, needs no card.
export ALSA_CONFIG_PATH=${ALSA_CONFIG_PATH:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/alsa-null.conf}
export XDG_DATA_HOME=${XDG_DATA_HOME:-/tmp/quorvane-xdg}
mkdir -p "$XDG_DATA_HOME"

qrv_wine_prefix() {
  if [ -f "$WINEPREFIX/.qrv-ready" ]; then
    grep -q '"Default"="1024x768"' "$WINEPREFIX/user.reg" 2>/dev/null || qrv_wine_desktop
    return 0
  fi
  echo "Creating the $QRV_ARCH Wine prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  # The prefix's user folders link into $HOME: make them plain folders.
  local user_dir
  for user_dir in "$WINEPREFIX"/drive_c/users/*/; do
    for l in "$user_dir"*; do
      if [ -L "$l" ]; then rm -f "$l"; mkdir -p "$l"; fi
    done
  done
  qrv_wine_desktop || return 1
  touch "$WINEPREFIX/.qrv-ready"
}

# A virtual desktop: without it every window create/destroy is slow under a bare X server.
qrv_wine_desktop() {
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  timeout 120 wineserver -w
  grep -q '"Default"="1024x768"' "$WINEPREFIX/user.reg" || { echo "could not set the Wine virtual desktop"; return 1; }
}

# Starts Xvfb on a free display unless one is given; sets DISPLAY and QRV_XVFB_PID.
qrv_start_display() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${QRV_FORCE_XVFB:-}" ]; then return 0; fi
  local n=$(( ${QRV_DISPLAY_NUM:-90} + RANDOM % 50 )) tries
  for tries in $(seq 1 20); do
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    QRV_XVFB_PID=$!
    for _ in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$QRV_XVFB_PID" 2>/dev/null || break
      sleep 0.05
    done
    if kill -0 "$QRV_XVFB_PID" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      export DISPLAY=":$n"
      return 0
    fi
    n=$((n + 1))  # another run took this display first
  done
  echo "could not start Xvfb"
  return 1
}

# A persistent, warmed-up wineserver and desktop: without them each test process
# holds ctest's output for seconds and the first test can hang. The argument is
# the keep-alive program that holds the desktop.
qrv_start_wineserver() {
  wineserver -p 2>/dev/null || true  # an already running server is kept
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  # Start the virtual desktop now, detached, and hold it open with a process
  # that lives until the server is stopped: otherwise the first test that makes
  # a window starts it, and its inherited output pipe keeps ctest waiting for
  # that test until every other Wine process has ended.
  if [ -n "${1:-}" ] && [ -f "$1" ]; then
    setsid wine "$1" </dev/null >/dev/null 2>&1 &
    wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 || true
  fi
}

qrv_stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${QRV_XVFB_PID:-}" ]; then kill "$QRV_XVFB_PID" 2>/dev/null || true; fi
}
