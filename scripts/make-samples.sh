#!/usr/bin/env bash
# Makes the bundled sample folder (a few pictures in the common formats, and
# Albums\Summer with one more two levels down) that
# scripts/run.sh opens when it is given nothing. Drawn by ImageMagick, so the
# repository carries no image files.
set -euo pipefail
OUT=${1:?usage: make-samples.sh FOLDER}
IM=/usr/bin/convert
# A folder two levels down, for the folder tree and the address box.
if [ ! -f "$OUT/Albums/Summer/Beach.jpg" ]; then
  mkdir -p "$OUT/Albums/Summer"
  "$IM" -size 480x320 gradient:'#87ceeb-#f4e4bc' -fill '#e9c46a' -draw 'circle 380,70 380,30' "$OUT/Albums/Summer/Beach.jpg"
fi
[ -f "$OUT/.ready" ] && exit 0
mkdir -p "$OUT"
"$IM" -size 640x480 gradient:'#1d4e89-#f7b32b' -swirl 90 "$OUT/Swirl.jpg"
"$IM" -size 480x360 plasma:fractal -seed 7 -blur 0x1 "$OUT/Plasma.png"
"$IM" -size 320x240 pattern:checkerboard -fill '#c0392b' -draw 'circle 160,120 160,40' "$OUT/Checker.bmp"
"$IM" -size 400x300 radial-gradient:white-'#2e86ab' -fill black -pointsize 36 -gravity center \
  -font DejaVu-Sans -annotate 0 'Quorvane' "$OUT/Title.gif" 2>/dev/null ||
  "$IM" -size 400x300 radial-gradient:white-'#2e86ab' "$OUT/Title.gif"
"$IM" -size 300x300 xc:white -fill '#3c8d2f' -draw 'polygon 150,20 280,280 20,280' -compress lzw "$OUT/Triangle.tif"
touch "$OUT/.ready"
