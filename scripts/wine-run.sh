#!/usr/bin/env bash
# Runs a Windows program under the Wine of one flavour (ctest's cross-compiling
# emulator): wine-run.sh ARCH PROGRAM ARGS...
set -euo pipefail
QRV_ARCH=$1
shift
source "$(dirname "$0")/arch.sh"
qrv_select_arch
export WINELOADER=$QRV_WINE_LOADER
export WINEPREFIX=${WINEPREFIX:-$QRV_WINEPREFIX_DIR}
exec "$QRV_WINE_LOADER" "$@"
