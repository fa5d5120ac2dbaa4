#!/usr/bin/env bash
# Sets up what is missing, builds, and starts qrv.exe under Wine on the given
# file or folder (the bundled sample folder when given nothing), with the
# switches given before it ("scripts/run.sh -o" opens the settings): the i686
# program where the host runs 32-bit programs, else the x86_64 one (QRV_ARCH
# chooses). Without an X display it runs in a virtual one, saves a screenshot
# of the window to build/screenshot.png, closes the program and prints the path.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/arch.sh"
qrv_select_arch
if ! qrv_arch_runs_here; then
  echo "this host refuses 32-bit programs: the i686 qrv.exe cannot run here (QRV_ARCH=x86_64 runs the 64-bit one)" >&2
  exit 1
fi
BUILD=$QRV_BUILD_DIR
SHOT=${QRV_BUILD:-$ROOT/build}/screenshot.png

QRV_TARGETS=qrv bash "$ROOT/scripts/build.sh"
switches=()
while [ $# -gt 0 ] && [ "${1#-}" != "$1" ]; do
  switches+=("$1")
  shift
done
target=${1:-}
if [ -z "$target" ]; then
  bash "$ROOT/scripts/make-samples.sh" "$BUILD/samples"
  # The sample folder opens in the browser, its pictures as thumbnails (drawn
  # from the thumbnail cache from the second run on).
  target=$BUILD/samples
fi
target=$(realpath "$target")
source "$ROOT/scripts/wine-env.sh"
wintarget=$(winepath -w "$target" 2>/dev/null)

if [ -n "${DISPLAY:-}" ]; then
  exec "$QRV_WINE_LOADER" "$BUILD/qrv.exe" "${switches[@]}" "$wintarget"
fi

QRV_FORCE_XVFB=1 qrv_start_display
trap qrv_stop_wine EXIT
wine "$BUILD/qrv.exe" "${switches[@]}" "$wintarget" >/dev/null 2>&1 &
pid=$!
sleep "${QRV_SCREENSHOT_DELAY:-8}"
/usr/bin/import -window root "$SHOT"
kill "$pid" 2>/dev/null || true
echo "$SHOT ($QRV_ARCH qrv.exe)"
