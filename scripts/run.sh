#!/usr/bin/env bash
# Sets up what is missing, builds, and starts qrv.exe under Wine on the given
# file or folder (the bundled sample folder when given nothing). Without an X
# display it runs in a virtual one, saves a screenshot of the window to
# build/screenshot.png, closes the program and prints the path.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${QRV_BUILD:-$ROOT/build}

QRV_TARGETS=qrv bash "$ROOT/scripts/build.sh"
target=${1:-}
if [ -z "$target" ]; then
  bash "$ROOT/scripts/make-samples.sh" "$BUILD/samples"
  # The folder browser is not built yet: open the folder's first picture in the
  # viewer, which steps through the folder with Previous/Next.
  target=$BUILD/samples/Swirl.jpg
fi
target=$(realpath "$target")
source "$ROOT/scripts/wine-env.sh"
wintarget=$(winepath -w "$target" 2>/dev/null)

if [ -n "${DISPLAY:-}" ]; then
  exec wine "$BUILD/qrv.exe" "$wintarget"
fi

QRV_FORCE_XVFB=1 qrv_start_display
trap qrv_stop_wine EXIT
wine "$BUILD/qrv.exe" "$wintarget" >/dev/null 2>&1 &
pid=$!
sleep "${QRV_SCREENSHOT_DELAY:-8}"
/usr/bin/import -window root "$BUILD/screenshot.png"
kill "$pid" 2>/dev/null || true
echo "$BUILD/screenshot.png"
