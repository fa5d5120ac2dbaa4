#!/usr/bin/env bash
# The core (src/image, src/exif, src/formats) stands below the shell: none of
# its files may include a header of app, browser, media or tools, nor a dialog
# resource header (*_ids.h). Prints each offending include and exits 1.
# Usage: check-layers.sh [source root], default the checkout's src/.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
SRC=${1:-$ROOT/src}

status=0
while IFS= read -r hit; do
  file=${hit%%:*}
  rest=${hit#*:}
  header=$(sed -E 's/^[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"$rest")
  rel=${file#"$SRC"/}
  echo "layer check: $rel includes \"$header\" from above the core" >&2
  status=1
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"((app|browser|media|tools)/[^"]*|[^"]*_ids\.h)"' \
  "$SRC/image" "$SRC/exif" "$SRC/formats" || true)
[ $status = 0 ] && echo "layer check: the core includes nothing from the shell"
exit $status
