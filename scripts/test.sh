#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test under Wine in a virtual
# X display. Exits non-zero when a test fails. Arguments go to ctest (-R name ...).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${QRV_BUILD:-$ROOT/build}

bash "$ROOT/scripts/build.sh"
source "$ROOT/scripts/wine-env.sh"
QRV_FORCE_XVFB=1 qrv_start_display
trap qrv_stop_wine EXIT
qrv_start_wineserver "$BUILD/qrv_keepalive.exe"
cd "$BUILD"
ctest --output-on-failure -j "$(nproc)" "$@"
