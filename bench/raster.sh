#!/usr/bin/env bash
# Run-length raster benchmark: writing the 24-megapixel photo as TGA (RLE), SGI
# (run-length, compression 1 and 2), Sun raster (RLE) and PNM (P6) and reading
# each file back, against ImageMagick on the same picture and the same files;
# times, output sizes and ratios ours / peer.
# Usage: bash bench/raster.sh [RUNS] (also run by bench/run.sh).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
RUNS=${1:-3}
source "$ROOT/bench/common.sh"
mkdir -p "$WORK/raster"
build_bench bench_raster

F=$WORK/raster
[ -f "$F/tiny.ppm" ] || "$IM" -size 8x8 xc:gray -depth 8 "$F/tiny.ppm"

source "$ROOT/scripts/wine-env.sh"
qrv_wine_prefix >/dev/null 2>&1 || true
QRV_FORCE_XVFB=1 qrv_start_display
trap qrv_stop_wine EXIT
qrv_start_wineserver
rm -f "$F"/ours*
OURS=$(wine "$BUILD/bench_raster.exe" "$RUNS" "$(winepath -w "$SRC")" "$(winepath -w "$F")" 2>&1 | tr -d '\r')
ours() { echo "$OURS" | awk -v k="$1" '$1 == k {print $2}'; }
for k in tga sgi1 sgi2 ras pnm; do
  if [ -z "$(ours ${k}_save)" ] || [ -z "$(ours ${k}_load)" ]; then echo "$OURS"; exit 1; fi
done

# The peers, as whole commands. ImageMagick's start-up and its reading of the
# photo's PPM are timed alone and taken off: its writes are then the encoding
# and file writing alone, its reads the decoding alone, as ours are timed.
IM_START=$(timeit "$IM" "$F/tiny.ppm" null:)
IM_PPM=$(timeit "$IM" "$SRC" null:)
# ImageMagick writes SGI with run-length encoding (one mode: no shared rows)
# and Sun rasters without it (it reads RLE but does not write it).
IM_TGA_SAVE=$(timeit "$IM" "$SRC" -compress RLE "$F/im.tga")
IM_SGI_SAVE=$(timeit "$IM" "$SRC" -compress RLE "$F/im.sgi")
IM_RAS_SAVE=$(timeit "$IM" "$SRC" "$F/im.ras")
IM_PNM_SAVE=$(timeit "$IM" "$SRC" "$F/im.ppm")
# Its reads are of our files, the ones our readers were timed on.
IM_TGA_LOAD=$(timeit "$IM" "$F/ours.tga" null:)
IM_SGI1_LOAD=$(timeit "$IM" "$F/ours-1.sgi" null:)
IM_SGI2_LOAD=$(timeit "$IM" "$F/ours-2.sgi" null:)
IM_RAS_LOAD=$(timeit "$IM" "$F/ours.ras" null:)
IM_PNM_LOAD=$(timeit "$IM" "$F/ours.ppm" null:)

# Every file written, ours and ImageMagick's, must decode to the input's pixels.
# This ImageMagick (6.9.11) reads two of ours otherwise: TGA rows top row
# first although the header says bottom-up (it writes its own TGA the same way,
# so its round trip holds), and the 24-bit pixels of a run-length Sun raster as
# red, green, blue where they are stored blue, green, red. For those two files
# its reading is checked against the input turned the same way, and netpbm's
# readers (tgatoppm, rasttopnm) must give the input exactly.
ae() { { /usr/bin/compare -metric AE "$1" "$2" null: 2>&1 || true; } | awk '{print $1}'; }
same() { local AE; AE=$(ae "$1" "$2"); [ "$AE" = "0" ] || { echo "$2 differs from $1 in $AE pixels"; exit 1; }; }
for f in ours-1.sgi ours-2.sgi ours.ppm im.tga im.sgi im.ras im.ppm; do same "$SRC" "$F/$f"; done
[ -f "$F/photo-flip.ppm" ] || "$IM" "$SRC" -flip "$F/photo-flip.ppm"
[ -f "$F/photo-bgr.ppm" ] || "$IM" "$SRC" -separate -swap 0,2 -combine "$F/photo-bgr.ppm"
same "$F/photo-flip.ppm" "$F/ours.tga"
same "$F/photo-bgr.ppm" "$F/ours.ras"
if ! command -v tgatoppm >/dev/null || ! command -v rasttopnm >/dev/null; then
  sudo -n apt-get install -y -q netpbm >/dev/null 2>&1 || apt-get install -y -q netpbm >/dev/null 2>&1 || true
fi
tgatoppm "$F/ours.tga" >"$F/netpbm-tga.ppm" 2>/dev/null
rasttopnm "$F/ours.ras" >"$F/netpbm-ras.ppm" 2>/dev/null
same "$SRC" "$F/netpbm-tga.ppm"
same "$SRC" "$F/netpbm-ras.ppm"
rm -f "$F/netpbm-tga.ppm" "$F/netpbm-ras.ppm"
size() { stat -c %s "$1"; }
kib() { awk -v b="$1" 'BEGIN { printf "%.0f", b / 1024 }'; }
minus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", a - b }'; }

echo "input: 6000x4000 24-bit photo; median of $RUNS runs (ms); ratios ours / peer"
echo "ImageMagick start-up alone: $IM_START ms; reading the photo's PPM: $IM_PPM ms (taken off its figures below)"
row() { printf "%-34s %10s %10s %10s %8s\n" "$@"; }
# CASE OURS PEER-WHOLE-COMMAND PEER-OVERHEAD
versus() { local net; net=$(minus "$3" "$4"); row "$1" "$2" "$3" "$net" "$(ratio "$2" "$net")"; }
sizes() { row "$1" "$(kib "$(size "$2")")" "" "$(kib "$(size "$3")")" "$(ratio "$(size "$2")" "$(size "$3")")"; }
row case ours "IM whole" "IM net" ratio
versus "TGA RLE write" "$(ours tga_save)" "$IM_TGA_SAVE" "$IM_PPM"
versus "TGA RLE read" "$(ours tga_load)" "$IM_TGA_LOAD" "$IM_START"
sizes "  TGA size KiB" "$F/ours.tga" "$F/im.tga"
versus "SGI RLE (1) write" "$(ours sgi1_save)" "$IM_SGI_SAVE" "$IM_PPM"
versus "SGI RLE (1) read" "$(ours sgi1_load)" "$IM_SGI1_LOAD" "$IM_START"
sizes "  SGI (1) size KiB" "$F/ours-1.sgi" "$F/im.sgi"
versus "SGI RLE shared rows (2) write" "$(ours sgi2_save)" "$IM_SGI_SAVE" "$IM_PPM"
versus "SGI RLE shared rows (2) read" "$(ours sgi2_load)" "$IM_SGI2_LOAD" "$IM_START"
sizes "  SGI (2) size KiB" "$F/ours-2.sgi" "$F/im.sgi"
versus "Sun RLE write vs IM plain" "$(ours ras_save)" "$IM_RAS_SAVE" "$IM_PPM"
versus "Sun RLE read" "$(ours ras_load)" "$IM_RAS_LOAD" "$IM_START"
sizes "  Sun size KiB vs IM plain" "$F/ours.ras" "$F/im.ras"
versus "PNM (P6) write" "$(ours pnm_save)" "$IM_PNM_SAVE" "$IM_PPM"
versus "PNM (P6) read" "$(ours pnm_load)" "$IM_PNM_LOAD" "$IM_START"
sizes "  PNM size KiB" "$F/ours.ppm" "$F/im.ppm"
