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

# The scripts are independent: run them side by side, each in a subshell.
shopt -s nullglob
pids=() names=()
for f in "$HERE"/fixtures/*.sh; do
  # shellcheck source=/dev/null
  ( source "$f" ) >"$OUT/.$(basename "$f").log" 2>&1 &
  pids+=($!) names+=("$f")
done
failed=0
for i in "${!pids[@]}"; do
  if ! wait "${pids[$i]}"; then
    echo "fixture script failed: ${names[$i]}"
    cat "$OUT/.$(basename "${names[$i]}").log"
    failed=1
  fi
done
[ "$failed" -eq 0 ] || exit 1
touch "$OUT/.ready"
