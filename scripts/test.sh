#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test under Wine in a virtual
# X display, after the layer check (scripts/check-layers.sh). Exits non-zero
# when a test or the check fails. Arguments go to ctest (-R name ...).
#
# Both flavours are built. The x86_64 tests run on every host (wine64); the
# i686 tests (the product) run where the host executes 32-bit programs, and
# elsewhere one line says why they did not. QRV_ARCH=i686|x86_64 tests only
# that flavour.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/arch.sh"

if [ -n "${QRV_ARCH:-}" ]; then
  flavours=("$QRV_ARCH")
else
  flavours=(x86_64 i686)
fi

bash "$ROOT/scripts/install-packages.sh"
bash "$ROOT/scripts/check-command-ids.sh"
# Every source matches .clang-format (clang-format -i on a file formats it).
bash "$ROOT/scripts/check-format.sh"

status=0
# The core includes nothing from the shell; the check itself is checked first.
bash "$ROOT/scripts/check-layers-selftest.sh" || status=1
bash "$ROOT/scripts/check-layers.sh" || status=1
for arch in "${flavours[@]}"; do
  QRV_ARCH=$arch bash "$ROOT/scripts/build.sh"
  if [ "$arch" = i686 ] && ! qrv_host_runs_i686; then
    echo "i686 tests skipped: this host refuses 32-bit programs (Exec format error), so wine32 cannot run;" \
      "the i686 qrv.exe and its tests were compiled and linked."
    continue
  fi
  echo "== $arch tests"
  # Each flavour in a subshell: its own prefix, display and wineserver.
  (
    export QRV_ARCH=$arch
    qrv_select_arch
    source "$ROOT/scripts/wine-env.sh"
    QRV_FORCE_XVFB=1 qrv_start_display
    trap qrv_stop_wine EXIT
    qrv_start_wineserver "$QRV_BUILD_DIR/qrv_keepalive.exe"
    cd "$QRV_BUILD_DIR"
    ctest --output-on-failure -j "$(nproc)" "$@"
  ) || status=1
done
exit $status
