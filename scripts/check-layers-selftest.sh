#!/usr/bin/env bash
# Proves that check-layers.sh catches what it is for: on a copy of the core it
# passes, and each include planted from above the core makes it fail.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fresh_copy() {
  rm -rf "$tmp/src"
  mkdir -p "$tmp/src"
  cp -r "$ROOT/src/image" "$ROOT/src/exif" "$ROOT/src/formats" "$tmp/src/"
}

fresh_copy
if ! bash "$ROOT/scripts/check-layers.sh" "$tmp/src" >/dev/null 2>&1; then
  echo "check-layers self-test: the clean core copy fails the check" >&2
  exit 1
fi

# file of the core | include planted at its top
planted=(
  'image/Image.cpp|#include "app/AppState.h"'
  'exif/ExifIO.cpp|#include "browser/FileList.h"'
  'formats/Bmp.cpp|#include "media/Players.h"'
  'formats/LoadDispatch.cpp|#include "tools/PrintImage.h"'
  'image/Resample.h|#include "app_ids.h"'
  'formats/Png.cpp|  #  include "app/View.h"'
  'formats/Gif.cpp|#include "app_filedialogs_ids.h"'
)
for row in "${planted[@]}"; do
  file=${row%%|*}
  line=${row#*|}
  fresh_copy
  { echo "$line"; cat "$tmp/src/$file"; } >"$tmp/planted" && mv "$tmp/planted" "$tmp/src/$file"
  if bash "$ROOT/scripts/check-layers.sh" "$tmp/src" >/dev/null 2>&1; then
    echo "check-layers self-test: planted '$line' in $file was not caught" >&2
    exit 1
  fi
done
echo "check-layers self-test: clean copy passes, ${#planted[@]} planted includes caught"
