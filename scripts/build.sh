#!/usr/bin/env bash
# Installs what is missing (packages, static libraries, Wine prefix) and builds
# qrv.exe and the test programs into build/ (or $QRV_BUILD).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${QRV_BUILD:-$ROOT/build}

bash "$ROOT/scripts/install-packages.sh"
bash "$ROOT/scripts/build-deps.sh"
source "$ROOT/scripts/wine-env.sh"
qrv_wine_prefix

if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=${QRV_BUILD_TYPE:-RelWithDebInfo} >/dev/null
fi
# QRV_TARGETS (for example "test_image test_exif") builds only those targets.
targets=()
[ -n "${QRV_TARGETS:-}" ] && targets+=(--target qrv_keepalive)
for t in ${QRV_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$BUILD" -j "$(nproc)" "${targets[@]}"
