#!/usr/bin/env bash
# PNG and GIF benchmark: decode and encode of a 12-megapixel PNG, and the GIF
# writer (reduction to 256 colours + LZW) on a 1-megapixel photo, against
# ImageMagick on the same pictures; times, output sizes and ratios ours / peer.
# Usage: bash bench/formats.sh [RUNS] (also run by bench/run.sh).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
RUNS=${1:-3}
source "$ROOT/bench/common.sh"
mkdir -p "$WORK/formats"
build_bench bench_formats

F=$WORK/formats
# 4000 x 3000 (12 megapixels) and 1224 x 816 (1 megapixel), PPM for the peers'
# encoders and PNG (ImageMagick's, default settings) for the decoders.
[ -f "$F/big.ppm" ] || "$IM" "$SRC" -resize 4000x3000! -depth 8 "$F/big.ppm"
[ -f "$F/big.png" ] || "$IM" "$F/big.ppm" "$F/big.png"
[ -f "$F/small.ppm" ] || "$IM" "$SRC" -resize 1224x816! -depth 8 "$F/small.ppm"
[ -f "$F/small.png" ] || "$IM" "$F/small.ppm" "$F/small.png"
[ -f "$F/tiny.png" ] || "$IM" -size 8x8 xc:gray "$F/tiny.png"

source "$ROOT/scripts/wine-env.sh"
qrv_wine_prefix >/dev/null 2>&1 || true
QRV_FORCE_XVFB=1 qrv_start_display
trap qrv_stop_wine EXIT
qrv_start_wineserver
rm -f "$F/ours.png" "$F/ours.gif" "$F/ours-lzw.gif"
# ImageMagick's GIF (Floyd-Steinberg, 256 colours) is also written again by our
# coder from the same indexes: the size difference is then the coders' alone.
[ -f "$F/im-fs.gif" ] || "$IM" "$F/small.ppm" -dither FloydSteinberg -colors 256 "$F/im-fs.gif"
OURS=$(wine "$BUILD/bench_formats.exe" "$RUNS" "$(winepath -w "$F/big.png")" "$(winepath -w "$F/small.png")" \
  "$(winepath -w "$F")" "$(winepath -w "$F/im-fs.gif")" 2>&1 | tr -d '\r')
ours() { echo "$OURS" | awk -v k="$1" '$1 == k {print $2}'; }
PNG_DEC=$(ours png_decode)
PNG_ENC=$(ours png_encode)
GIF_ENC=$(ours gif_encode)
GIF_LZW=$(ours gif_lzw)
if [ -z "$PNG_DEC" ] || [ -z "$PNG_ENC" ] || [ -z "$GIF_ENC" ]; then echo "$OURS"; exit 1; fi

# The peers, as whole commands. ImageMagick's start-up and its PPM reading are
# timed alone so they can be taken off its figures.
IM_START=$(timeit "$IM" "$F/tiny.png" null:)
IM_PPM=$(timeit "$IM" "$F/big.ppm" null:)
IM_PNG_DEC=$(timeit "$IM" "$F/big.png" null:)
IM_PNG_ENC=$(timeit "$IM" "$F/big.ppm" "$F/im.png")
# -quality 95: zlib level 9 and adaptive filters, the settings our writer uses.
IM_PNG_ENC9=$(timeit "$IM" "$F/big.ppm" -quality 95 "$F/im9.png")
IM_GIF=$(timeit "$IM" "$F/small.ppm" "$F/im.gif")
IM_GIF_FS=$(timeit "$IM" "$F/small.ppm" -dither FloydSteinberg -colors 256 "$F/im-fs.gif")

# Every file written must decode; ours.png must hold the input's pixels exactly.
AE=$({ /usr/bin/compare -metric AE "$F/big.ppm" "$F/ours.png" null: 2>&1 || true; } | awk '{print $1}')
[ "$AE" = "0" ] || { echo "ours.png differs from the input in $AE pixels"; exit 1; }
/usr/bin/identify "$F/ours.gif" >/dev/null
AE=$({ /usr/bin/compare -metric AE "$F/im-fs.gif" "$F/ours-lzw.gif" null: 2>&1 || true; } | awk '{print $1}')
[ "$AE" = "0" ] || { echo "ours-lzw.gif differs from ImageMagick's GIF in $AE pixels"; exit 1; }
psnr() { { /usr/bin/compare -metric PSNR "$F/small.ppm" "$1" null: 2>&1 || true; } | awk '{print $1}'; }
size() { stat -c %s "$1"; }
kib() { awk -v b="$1" 'BEGIN { printf "%.0f", b / 1024 }'; }
minus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", a - b }'; }

echo "PNG: 4000x3000 24-bit; GIF: 1224x816 24-bit photo; median of $RUNS runs (ms); ratios ours / peer"
echo "ImageMagick start-up alone: $IM_START ms; reading the 12-megapixel PPM: $IM_PPM ms (both included in its figures)"
row() { printf "%-40s %10s %10s %8s\n" "$@"; }
versus() { row "$1" "$2" "$3" "$(ratio "$2" "$3")"; }  # CASE OURS PEER
sizes() { row "$1" "$(kib "$(size "$2")")" "$(kib "$(size "$3")")" "$(ratio "$(size "$2")" "$(size "$3")")"; }  # CASE FILE FILE
row case ours peer ratio
versus "PNG decode vs IM" "$PNG_DEC" "$IM_PNG_DEC"
versus "PNG decode vs IM less start-up" "$PNG_DEC" "$(minus "$IM_PNG_DEC" "$IM_START")"
versus "PNG encode vs IM default (level 7)" "$PNG_ENC" "$IM_PNG_ENC"
versus "PNG encode vs IM -quality 95 (level 9)" "$PNG_ENC" "$IM_PNG_ENC9"
sizes "  PNG size KiB vs IM default" "$F/ours.png" "$F/im.png"
sizes "  PNG size KiB vs IM level 9" "$F/ours.png" "$F/im9.png"
versus "GIF encode vs IM default" "$GIF_ENC" "$IM_GIF"
versus "GIF encode vs IM Floyd-Steinberg" "$GIF_ENC" "$IM_GIF_FS"
sizes "  GIF size KiB vs IM default" "$F/ours.gif" "$F/im.gif"
sizes "  GIF size KiB vs IM Floyd-Steinberg" "$F/ours.gif" "$F/im-fs.gif"
sizes "  GIF LZW alone: size KiB, same indexes" "$F/ours-lzw.gif" "$F/im-fs.gif"
printf "%-40s %10s\n" "  GIF LZW alone: time (ms)" "$GIF_LZW"
echo "GIF PSNR against the photo (dB): ours $(psnr "$F/ours.gif"), IM default $(psnr "$F/im.gif"), IM Floyd-Steinberg $(psnr "$F/im-fs.gif")"
