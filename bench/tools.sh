#!/usr/bin/env bash
# Batch process benchmark: COUNT camera-size JPEGs (4000 x 3000 q90, hard links
# of bench/jpeg.sh's camera file, so every tool reads the same bytes) to PNG
# 1600 pixels wide, aspect kept (1600 x 1200), through RunBatchProcess under
# Wine without its dialog, against ImageMagick
# `mogrify -path out -resize 1600x -format png` and `vipsthumbnail -s 1600`,
# each with one thread and with the machine's default thread count.
# Usage: bash bench/tools.sh [RUNS] [COUNT] (also run by bench/run.sh; COUNT 100).
# Ours is timed inside the program around the run (without Wine's start-up);
# the peers as whole commands over the COUNT files.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
RUNS=${1:-3}
COUNT=${2:-100}
source "$ROOT/bench/common.sh"
build_bench bench_tools
make_camera_files
WIDTH=1600
IN=$WORK/batch$COUNT
if [ ! -f "$IN.done" ]; then
  rm -rf "$IN"
  mkdir -p "$IN"
  for i in $(seq -w 1 "$COUNT"); do ln "$WORK/camera.jpg" "$IN/c$i.jpg"; done
  touch "$IN.done"
fi
OUT=$WORK/batch-out
rm -rf "$OUT"
mkdir -p "$OUT/ours" "$OUT/im" "$OUT/vips"

source "$ROOT/scripts/wine-env.sh"
qrv_wine_prefix >/dev/null 2>&1 || true
QRV_FORCE_XVFB=1 qrv_start_display
trap qrv_stop_wine EXIT
qrv_start_wineserver
if ! OURS=$(wine "$BUILD/bench_tools.exe" batch "$(winepath -w "$IN")" "$(winepath -w "$OUT/ours")" $WIDTH "$RUNS" 2>&1 |
  tr -d '\r') || [ -z "$OURS" ]; then
  echo "bench_tools.exe failed" >&2
  echo "$OURS" >&2
  exit 1
fi
# Tools > Create GIF Animation over the sample pictures (scripts/make-samples.sh),
# the dialog driven as the user does it: one frame per picture, delay 10 each.
bash "$ROOT/scripts/make-samples.sh" "$BUILD/samples"
ANIM=$(wine "$BUILD/bench_tools.exe" animation "$(winepath -w "$BUILD/samples")" "$(winepath -w "$OUT/anim")" 2>&1 |
  tr -d '\r')
qrv_stop_wine
trap - EXIT
field() { echo "$OURS" | awk -v k="$1" -v f="${2:-2}" '$1 == k {print $f}'; }

im_run() { mogrify -path "$OUT/im" -resize ${WIDTH}x -format png "$IN"/*.jpg; }
vips_run() { vipsthumbnail -s $WIDTH -o "$OUT/vips/%s.png" "$IN"/*.jpg; }
THREADS=$(nproc)
IM_1=$(MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1 timeit im_run)
IM_N=$(timeit im_run)
if command -v vipsthumbnail >/dev/null; then
  VIPS_1=$(VIPS_CONCURRENCY=1 timeit vips_run)
  VIPS_N=$(timeit vips_run)
else
  VIPS_1= VIPS_N=
fi
kib() { du -k --apparent-size -c "$@" | awk 'END {print $1}'; }
size() { identify -format '%wx%h' "$1"; }
SIZE_OURS=$(kib "$OUT"/ours/*.png)
SIZE_IM=$(kib "$OUT"/im/*.png)
SIZE_VIPS=$( [ -n "$VIPS_1" ] && kib "$OUT"/vips/*.png || echo)

OUR=$(field batch_png)
echo "Batch process: $COUNT files 4000x3000 q90 JPEG -> PNG ${WIDTH}x (aspect kept), median of $RUNS runs (ms);"
echo "ours: RunBatchProcess, one thread (the JPEG reader's page-touching helper aside); peers as whole commands;"
echo "ratios ours / peer; this machine has $THREADS threads"
printf "%-40s %9s %9s %8s\n" case ours peer ratio
row() { [ -n "$3" ] && printf "%-40s %9s %9s %8s\n" "$1" "$2" "$3" "$(ratio "$2" "$3")"; return 0; }
row "batch vs mogrify, 1 thread" "$OUR" "$IM_1"
row "batch vs mogrify, $THREADS threads" "$OUR" "$IM_N"
row "batch vs vipsthumbnail, 1 thread" "$OUR" "$VIPS_1"
row "batch vs vipsthumbnail, $THREADS threads" "$OUR" "$VIPS_N"
printf "%-40s %9s\n" "  per file: decode" "$(field steps_load)"
printf "%-40s %9s\n" "  per file: resize (drawn scaled)" "$(field steps_resize)"
printf "%-40s %9s\n" "  per file: PNG write" "$(field steps_save)"
echo "files written: ours $(field batch_png 3) of $COUNT; sizes: ours $(size "$OUT/ours/c$(printf %0${#COUNT}d 1).png"),"\
" mogrify $(size "$OUT"/im/$(ls "$OUT/im" | head -1)), vipsthumbnail $( [ -n "$VIPS_1" ] && size "$OUT"/vips/$(ls "$OUT/vips" | head -1))"
printf "%-40s %9s %9s %8s\n" "output KiB vs mogrify" "$SIZE_OURS" "$SIZE_IM" "$(ratio "$SIZE_OURS" "$SIZE_IM")"
row "output KiB vs vipsthumbnail" "$SIZE_OURS" "$SIZE_VIPS"
echo "Create GIF Animation of the $(echo "$ANIM" | awk '$1 == "animation" {print $3}') sample pictures" \
  "($(echo "$ANIM" | awk '$1 == "animation" {print $2}') ms): identify lists" \
  "$(identify -format '%T\n' "$OUT/anim/Animation.gif" | awk '{n++; d[$1]++} END {for (k in d) s = s " " d[k] " x " k; print n " frames, delays:" s}')"
