#!/usr/bin/env bash
# Makes the bundled sample folder (a few pictures in the common formats) that
# scripts/run.sh opens when it is given nothing. Drawn by ImageMagick, so the
# repository carries no image files.
set -euo pipefail
OUT=${1:?usage: make-samples.sh FOLDER}
[ -f "$OUT/.ready" ] && exit 0
mkdir -p "$OUT"
IM=/usr/bin/convert
"$IM" -size 640x480 gradient:'#1d4e89-#f7b32b' -swirl 90 "$OUT/Swirl.jpg"
"$IM" -size 480x360 plasma:fractal -seed 7 -blur 0x1 "$OUT/Plasma.png"
"$IM" -size 320x240 pattern:checkerboard -fill '#c0392b' -draw 'circle 160,120 160,40' "$OUT/Checker.bmp"
"$IM" -size 400x300 radial-gradient:white-'#2e86ab' -fill black -pointsize 36 -gravity center \
  -font DejaVu-Sans -annotate 0 'Quorvane' "$OUT/Title.gif" 2>/dev/null ||
  "$IM" -size 400x300 radial-gradient:white-'#2e86ab' "$OUT/Title.gif"
"$IM" -size 300x300 xc:white -fill '#3c8d2f' -draw 'polygon 150,20 280,280 20,280' -compress lzw "$OUT/Triangle.tif"
touch "$OUT/.ready"
