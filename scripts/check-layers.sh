#!/usr/bin/env bash
# The core (src/image, src/exif, src/formats) stands below the shell: none of
# its files may include a header of app, browser, media or tools, nor a dialog
# resource header (*_ids.h). Prints each offending include and exits 1.
# Usage: check-layers.sh [source root], default the checkout's src/.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
SRC=${1:-$ROOT/src}

# Core files that still read the shell's state for what a reader or writer
# takes or gives per call (load flags, full size, save options, the thumbnail
# cell, the background colour, the playback bar's frame tables). They go when
# the readers and writers get request and result records of their own; add
# nothing here.
allowed=(
  formats/FormatTable.cpp:app/AppState.h
  formats/Gif.cpp:app/AppState.h
  formats/Jpeg.cpp:app/AppState.h
  formats/ReaderServices.cpp:app/AppState.h
  formats/ReaderServices.h:media/AnimationBar.h
  formats/Tiff.cpp:app/AppState.h
)

status=0
while IFS= read -r hit; do
  file=${hit%%:*}
  rest=${hit#*:}
  header=$(sed -E 's/^[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"$rest")
  rel=${file#"$SRC"/}
  ok=0
  for entry in "${allowed[@]}"; do
    [ "$entry" = "$rel:$header" ] && ok=1 && break
  done
  if [ $ok = 0 ]; then
    echo "layer check: $rel includes \"$header\" from above the core" >&2
    status=1
  fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"((app|browser|media|tools)/[^"]*|[^"]*_ids\.h)"' \
  "$SRC/image" "$SRC/exif" "$SRC/formats" || true)
[ $status = 0 ] && echo "layer check: the core includes nothing from the shell"
exit $status
