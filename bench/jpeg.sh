#!/usr/bin/env bash
# JPEG reader benchmark: a full 24-megapixel decode against djpeg, and the
# browser's preview decode of 200 camera-size files (4000 x 3000, with and
# without an Exif thumbnail) against vipsthumbnail and ImageMagick -thumbnail.
# Usage: bash bench/jpeg.sh [RUNS] (also run by bench/run.sh).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
RUNS=${1:-3}
source "$ROOT/bench/common.sh"
build_bench bench_jpeg

BIG=$WORK/photo24.jpg
[ -f "$BIG" ] || cjpeg -quality 90 "$SRC" > "$BIG"
make_camera_files

source "$ROOT/scripts/wine-env.sh"
qrv_wine_prefix >/dev/null 2>&1 || true
QRV_FORCE_XVFB=1 qrv_start_display
trap qrv_stop_wine EXIT
qrv_start_wineserver
run_ours() { wine "$BUILD/bench_jpeg.exe" "$(winepath -w "$BIG")" "$RUNS" "$(winepath -w "$1")" 2>/dev/null | tr -d '\r'; }
PLAIN=$(run_ours "$CAM/plain")
EXIF=$(run_ours "$CAM/exif")
DECODE=$(echo "$PLAIN" | awk '$1 == "decode_full" {print $2}')
FIRST=$(echo "$PLAIN" | awk '$1 == "decode_first" {print $2}')
CREATE=$(echo "$PLAIN" | awk '$1 == "create_image" {print $2}')
TOUCH=$(echo "$PLAIN" | awk '$1 == "touch_image" {print $2}')
LIBRARY=$(echo "$PLAIN" | awk '$1 == "decode_library" {print $2}')
PREVIEW_PLAIN=$(echo "$PLAIN" | awk '$1 == "preview" {print $2}')
PREVIEW_EXIF=$(echo "$EXIF" | awk '$1 == "preview" {print $2}')

DJPEG=$(timeit sh -c "djpeg -dct int '$BIG' > /dev/null")
# djpeg's own start-up (an 8 x 8 file), to compare decode with decode.
TINY=$WORK/tiny.jpg
[ -f "$TINY" ] || "$IM" -size 8x8 xc:gray ppm:- | cjpeg > "$TINY"
DJPEG_START=$(timeit sh -c "djpeg -dct int '$TINY' > /dev/null")
DJPEG_DECODE=$((DJPEG - DJPEG_START))
# The same djpeg built for Windows with the same library build and compiler as
# ours (left by scripts/build-deps.sh), run under the same Wine: like with like.
# Its Wine process start-up (the 8 x 8 file) is taken off.
DJPEG_EXE=${QRV_DEPS_WORK:-/var/cache/quorvane-deps-src}/$QRV_ARCH/build-jpeg/djpeg-static.exe
DJPEG_WIN=
if [ -f "$DJPEG_EXE" ]; then
  W_BIG=$(winepath -w "$BIG"); W_TINY=$(winepath -w "$TINY")
  a=$(timeit wine "$DJPEG_EXE" -dct int -outfile NUL "$W_BIG")
  b=$(timeit wine "$DJPEG_EXE" -dct int -outfile NUL "$W_TINY")
  DJPEG_WIN=$((a - b))
fi
rm -rf "$WORK/thumbs"; mkdir -p "$WORK/thumbs"
if command -v vipsthumbnail >/dev/null; then
  VIPS=$(timeit sh -c "vipsthumbnail -s 120x90 -o '$WORK/thumbs/%s.jpg' '$CAM'/plain/*.jpg")
else
  VIPS=
fi
# One run: ImageMagick decodes every file in full.
IMT=$(RUNS=1 timeit sh -c "mogrify -path '$WORK/thumbs' -thumbnail 120x90 '$CAM'/plain/*.jpg")

echo "JPEG: full decode of 6000x4000 q90; previews of 200 files 4000x3000 q90 to 120x90;"
echo "median of $RUNS runs (ms, ImageMagick one run); ratios ours / peer"
printf "%-34s %10s %10s %8s\n" case ours peer ratio
printf "%-34s %10s %10s %8s\n" "full decode vs djpeg" "$DECODE" "$DJPEG" "$(ratio "$DECODE" "$DJPEG")"
printf "%-34s %10s %10s %8s\n" "full decode vs djpeg less start-up" "$DECODE" "$DJPEG_DECODE" "$(ratio "$DECODE" "$DJPEG_DECODE")"
[ -z "$DJPEG_WIN" ] || printf "%-34s %10s %10s %8s\n" "full decode vs djpeg.exe (Wine)" "$DECODE" "$DJPEG_WIN" "$(ratio "$DECODE" "$DJPEG_WIN")"
printf "%-34s %10s %10s %8s\n" "  library alone vs djpeg less start" "$LIBRARY" "$DJPEG_DECODE" "$(ratio "$LIBRARY" "$DJPEG_DECODE")"
printf "%-34s %10s\n" "  the first decode in the process" "$FIRST"
printf "%-34s %10s\n" "  creating the image" "$CREATE"
printf "%-34s %10s\n" "  first touch of the image (alone)" "$TOUCH"
printf "%-34s %10s %10s %8s\n" "200 previews (1/8) vs vipsthumbnail" "$PREVIEW_PLAIN" "${VIPS:-n/a}" "$(ratio "$PREVIEW_PLAIN" "${VIPS:-0}")"
printf "%-34s %10s %10s %8s\n" "200 previews (Exif) vs vipsthumbnail" "$PREVIEW_EXIF" "${VIPS:-n/a}" "$(ratio "$PREVIEW_EXIF" "${VIPS:-0}")"
printf "%-34s %10s %10s %8s\n" "200 previews (1/8) vs IM -thumbnail" "$PREVIEW_PLAIN" "$IMT" "$(ratio "$PREVIEW_PLAIN" "$IMT")"
