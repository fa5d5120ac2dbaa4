#!/usr/bin/env bash
# Installs what is missing (packages, static libraries, Wine prefix) and builds
# qrv.exe and the test programs of one flavour (QRV_ARCH, default: i686 where
# the host runs 32-bit programs, else x86_64) into build/<flavour> (or
# $QRV_BUILD/<flavour>). The Wine prefix is made only where the flavour runs.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/arch.sh"
qrv_select_arch
BUILD=$QRV_BUILD_DIR

bash "$ROOT/scripts/install-packages.sh"
bash "$ROOT/scripts/build-deps.sh"
if qrv_arch_runs_here; then
  source "$ROOT/scripts/wine-env.sh"
  qrv_wine_prefix
fi

if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$QRV_TOOLCHAIN" -DQRV_DEPS="$QRV_DEPS_DIR" \
    -DCMAKE_BUILD_TYPE=${QRV_BUILD_TYPE:-RelWithDebInfo} >/dev/null
fi
# QRV_TARGETS (for example "test_image test_exif") builds only those targets.
targets=()
[ -n "${QRV_TARGETS:-}" ] && targets+=(--target qrv_keepalive)
for t in ${QRV_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$BUILD" -j "$(nproc)" "${targets[@]}"
