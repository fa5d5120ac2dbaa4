#!/usr/bin/env bash
# Image toolbox benchmark: our operations (under Wine) against libvips and
# ImageMagick on the same 24-megapixel picture, median of RUNS runs, printed as
# ratios ours / peer. Usage: bash bench/run.sh [RUNS]
# Peers are timed as whole commands (decode + operation + encode of a PPM);
# ours is timed inside the program around the operation alone.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
RUNS=${1:-3}
source "$ROOT/bench/common.sh"

build_bench bench_image

WIDTH=1920

source "$ROOT/scripts/wine-env.sh"
qrv_wine_prefix >/dev/null 2>&1 || true
QRV_FORCE_XVFB=1 qrv_start_display
trap qrv_stop_wine EXIT
qrv_start_wineserver
OURS=$(wine "$BUILD/bench_image.exe" "$(winepath -w "$SRC")" $WIDTH "$RUNS" "$(winepath -w "$WORK/ours")" 2>/dev/null | tr -d '\r')
ours() { echo "$OURS" | awk -v k="$1" '$1 == k {print $2}'; }

IM_RESIZE=$(timeit "$IM" "$SRC" -resize ${WIDTH}x "$WORK/im-resize.ppm")
IM_QUANT=$(timeit "$IM" "$SRC" -dither FloydSteinberg -colors 256 "$WORK/im-quant.ppm")
IM_ROT=$(timeit "$IM" "$SRC" -rotate 90 "$WORK/im-rot.ppm")
IM_FLOP=$(timeit "$IM" "$SRC" -flop "$WORK/im-flop.ppm")
IM_NOP=$(timeit "$IM" "$SRC" "$WORK/im-copy.ppm")
if command -v vips >/dev/null; then
  VIPS_RESIZE=$(timeit vips resize "$SRC" "$WORK/vips-resize.ppm" "$(awk -v w=$WIDTH 'BEGIN{print w/6000}')")
else
  VIPS_RESIZE=
fi

psnr() { { /usr/bin/compare -metric PSNR "$SRC" "$1" null: 2>&1 || true; } | awk '{print $1}'; }
OUR_PSNR=$(psnr "$WORK/ours-quant.ppm")
IM_PSNR=$(psnr "$WORK/im-quant.ppm")

echo "input: 6000x4000 24-bit, target width $WIDTH, median of $RUNS runs (ms)"
echo "ImageMagick decode+encode only: $IM_NOP ms"
printf "%-22s %10s %12s %10s %12s\n" operation ours ImageMagick ratio "vips / ratio"
for m in nearest bresenham bicubic gaussian bilinear; do
  o=$(ours resample_$m)
  printf "%-22s %10s %12s %10s %12s\n" "resample_$m" "$o" "$IM_RESIZE" "$(ratio "$o" "$IM_RESIZE")" \
    "${VIPS_RESIZE:+$VIPS_RESIZE / $(ratio "$o" "$VIPS_RESIZE")}"
done
o=$(ours scale_coverage)
printf "%-22s %10s %12s %10s %12s\n" scale_coverage "$o" "$IM_RESIZE" "$(ratio "$o" "$IM_RESIZE")" \
  "${VIPS_RESIZE:+$VIPS_RESIZE / $(ratio "$o" "$VIPS_RESIZE")}"
o=$(ours quantize_256)
printf "%-22s %10s %12s %10s\n" quantize_256 "$o" "$IM_QUANT" "$(ratio "$o" "$IM_QUANT")"
echo "quantize PSNR (dB): ours $OUR_PSNR, ImageMagick $IM_PSNR"
o=$(ours rotate_90)
printf "%-22s %10s %12s %10s\n" rotate_90 "$o" "$IM_ROT" "$(ratio "$o" "$IM_ROT")"
o=$(ours mirror)
printf "%-22s %10s %12s %10s\n" mirror "$o" "$IM_FLOP" "$(ratio "$o" "$IM_FLOP")"

# The readers' and writers' figures (scripts of their own, so each can also run alone).
qrv_stop_wine
trap - EXIT
echo
bash "$ROOT/bench/jpeg.sh" "$RUNS"
# PNG and GIF.
echo
bash "$ROOT/bench/formats.sh" "$RUNS"
# TGA, SGI and Sun raster run-length files and PNM.
echo
bash "$ROOT/bench/raster.sh" "$RUNS"
# The folder browser: thumbnails through the loader and the folder scan.
echo
bash "$ROOT/bench/browser.sh" "$RUNS"
# The batch process (JPEG to resized PNG) and the GIF animation of the samples.
echo
bash "$ROOT/bench/tools.sh" "$RUNS"
