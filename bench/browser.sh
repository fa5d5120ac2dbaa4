#!/usr/bin/env bash
# Folder browser benchmark. Thumbnails of bench/jpeg.sh's 200 camera-size files
# (4000 x 3000 q90, without and with an Exif thumbnail) as the thumbnail loader
# makes them (the thumbnail decode, RenderThumbnail into the 120 x 90 cell less
# its border, AppendThumbnail into the folder's cache at JPEG quality 80),
# against vipsthumbnail -s 114x84 and ImageMagick's -define jpeg:size=228x168
# -thumbnail 114x84, both writing JPEG quality 80, one thread each; the cached
# second visit; and the folder's file list over 10,000 files beside one
# FindFirstFileW walk with a lstrcmpiW sort.
# Usage: bash bench/browser.sh [RUNS] (also run by bench/run.sh).
# Ours is timed inside the program (under Wine, without its start-up); the
# peers as whole commands over the 200 files, with their start-up (the same
# command on one 8 x 8 file) taken off.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
RUNS=${1:-3}
source "$ROOT/bench/common.sh"
build_bench bench_browser
make_camera_files
TINY=$WORK/tiny.jpg
[ -f "$TINY" ] || "$IM" -size 8x8 xc:gray ppm:- | cjpeg > "$TINY"

# 10,000 empty files of one folder: 6,000 camera JPEGs, 1,000 PNGs, 1,000 TIFFs
# with long names (Wine makes 8.3 names for them), 500 MP3s, 500 AVIs, 1,000
# text files no pattern takes.
SCAN=$WORK/scan10k
if [ ! -f "$SCAN.done" ]; then
  rm -rf "$SCAN"
  mkdir -p "$SCAN"
  for i in $(seq 0 9999); do
    case $((i % 20)) in
      0 | 1 | 2 | 3 | 4 | 5 | 6 | 7 | 8 | 9 | 10 | 11) printf 'IMG_%04d.JPG\n' "$i" ;;
      12 | 13) printf 'dsc%05d.png\n' "$i" ;;
      14 | 15) printf 'Scanned page %04d.tiff\n' "$i" ;;
      16) printf 'track%04d.mp3\n' "$i" ;;
      17) printf 'clip%04d.avi\n' "$i" ;;
      *) printf 'notes%04d.txt\n' "$i" ;;
    esac
  done | (cd "$SCAN" && xargs -d '\n' touch)
  touch "$SCAN.done"
fi

source "$ROOT/scripts/wine-env.sh"
qrv_wine_prefix >/dev/null 2>&1 || true
QRV_FORCE_XVFB=1 qrv_start_display
trap qrv_stop_wine EXIT
qrv_start_wineserver
run_ours() {
  local out
  if ! out=$(wine "$BUILD/bench_browser.exe" "$@" 2>&1 | tr -d '\r') || [ -z "$out" ]; then
    echo "bench_browser.exe $*: failed" >&2
    echo "$out" >&2
    exit 1
  fi
  echo "$out"
}
rm -rf "$WORK/thumbdb"
PLAIN=$(run_ours thumbs "$(winepath -w "$CAM/plain")" "$(winepath -w "$WORK/thumbdb")" "$RUNS")
EXIF=$(run_ours thumbs "$(winepath -w "$CAM/exif")" "$(winepath -w "$WORK/thumbdb")" "$RUNS")
SCANNED=$(run_ours scan "$(winepath -w "$SCAN")" "$RUNS")
qrv_stop_wine
trap - EXIT
field() { echo "$1" | awk -v k="$2" -v f="${3:-2}" '$1 == k {print $f}'; }

# The peers, one thread each, JPEG quality 80 like the cache.
T=$WORK/thumbs-browser
rm -rf "$T"
mkdir -p "$T/vips" "$T/im"
export VIPS_CONCURRENCY=1 MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1
vips_run() { vipsthumbnail -s 114x84 -o "$T/vips/%s.jpg[Q=80]" "$@"; }
im_run() { mogrify -path "$T/im" -define jpeg:size=228x168 -thumbnail 114x84 -quality 80 "$@"; }
VIPS_START=$(timeit vips_run "$TINY")
IM_START=$(timeit im_run "$TINY")
peer() {  # peer FUNCTION START FOLDER: whole command less its start-up
  local whole
  whole=$(timeit "$1" "$3"/*.jpg)
  echo $((whole - $2))
}
VIPS_PLAIN=$(peer vips_run "$VIPS_START" "$CAM/plain")
VIPS_EXIF=$(peer vips_run "$VIPS_START" "$CAM/exif")
IM_PLAIN=$(peer im_run "$IM_START" "$CAM/plain")
IM_EXIF=$(peer im_run "$IM_START" "$CAM/exif")
SIZE_VIPS=$(identify -format '%wx%h' "$T/vips/p001.jpg")
SIZE_IM=$(identify -format '%wx%h' "$T/im/p001.jpg")

echo "Browser: thumbnails of 200 files 4000x3000 q90 into 120x90 cells (pictures 112x84), JPEG q80;"
echo "median of $RUNS runs (ms); one thread each; peers less start-up (vipsthumbnail $VIPS_START ms,"
echo "ImageMagick mogrify $IM_START ms); sizes made: vipsthumbnail $SIZE_VIPS, ImageMagick $SIZE_IM;"
echo "ratios ours / peer"
printf "%-44s %9s %9s %8s\n" case ours peer ratio
row() { printf "%-44s %9s %9s %8s\n" "$1" "$2" "$3" "$(ratio "$2" "$3")"; }
for kind in plain exif; do
  if [ $kind = plain ]; then OUT=$PLAIN VIPS=$VIPS_PLAIN IMT=$IM_PLAIN label="no Exif thumbnail"; else
    OUT=$EXIF VIPS=$VIPS_EXIF IMT=$IM_EXIF label="Exif thumbnail"
  fi
  first=$(field "$OUT" loader_first)
  total=$(field "$OUT" steps_total)
  echo "$label: the loader decoded $(field "$OUT" loader_first 3) files, $(field "$OUT" loader_second 3) on the second visit"
  row "  loader, first visit vs vipsthumbnail" "$first" "$VIPS"
  row "  loader, first visit vs IM -thumbnail" "$first" "$IMT"
  row "  loader's steps vs vipsthumbnail" "$total" "$VIPS"
  printf "%-44s %9s\n" "    decode (reduced)" "$(field "$OUT" steps_decode)"
  printf "%-44s %9s\n" "    RenderThumbnail" "$(field "$OUT" steps_render)"
  printf "%-44s %9s\n" "    AppendThumbnail (and the index)" "$(field "$OUT" steps_store)"
  row "  loader, second visit (cache) vs vipsthumb." "$(field "$OUT" loader_second)" "$VIPS"
  printf "%-44s %9s\n" "  second visit's steps (read, draw)" "$(field "$OUT" steps_cached)"
done

echo
echo "Folder scan: 10,000 files in one folder (9,000 of them media, 8,000 pictures); median of $RUNS runs (ms)"
WALK=$(field "$SCANNED" walk_sort)
printf "%-44s %9s %9s %8s\n" case ours walk ratio
printf "%-44s %9s\n" "FindFirstFileW walk + lstrcmpiW sort ($(field "$SCANNED" walk_sort 3) files)" "$WALK"
row "BuildFileList, every type ($(field "$SCANNED" scan_all 3) files)" "$(field "$SCANNED" scan_all)" "$WALK"
row "BuildFileList, pictures ($(field "$SCANNED" scan_images 3) files)" "$(field "$SCANNED" scan_images)" "$WALK"
row "BuildFileList by its worker ($(field "$SCANNED" scan_worker 3) files)" "$(field "$SCANNED" scan_worker)" "$WALK"
