#!/usr/bin/env bash
# Makes the test fixtures with other programs (ImageMagick, netpbm, libtiff
# tools, libjpeg-turbo tools ...) into the folder given, before the Wine tests
# run. Each tests/fixtures/*.sh is sourced with OUT set to that folder and the
# helper functions below; a script makes its files and the reference decodings
# the tests compare with.
set -euo pipefail
OUT=$1
HERE=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$OUT"
export MAGICK_CONFIGURE_PATH=${MAGICK_CONFIGURE_PATH:-}
# The real ImageMagick (a stand-in "convert" may come first on PATH).
IM_CONVERT=/usr/bin/convert
IM_IDENTIFY=/usr/bin/identify

# rgba OUTFILE.rgba INPUT: ImageMagick's own decoding as 8-bit RGBA rows, top row first.
rgba() { "$IM_CONVERT" "$2" -depth 8 "rgba:$1"; }

shopt -s nullglob
for f in "$HERE"/fixtures/*.sh; do
  # shellcheck source=/dev/null
  source "$f"
done
touch "$OUT/.ready"
