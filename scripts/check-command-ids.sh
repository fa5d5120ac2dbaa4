#!/usr/bin/env bash
# Command ids are names from resources/command_ids.h everywhere else: no menu
# item or accelerator of a resource script and no source file outside the EXIF
# library (whose 409xx numbers are EXIF tags) writes a 40xxx command number.
# Prints the offending lines and exits non-zero when there are any.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
found=0
if grep -rnE '(^|[^0-9A-Za-z_.])40[0-9]{3}([^0-9A-Za-z_.]|$)' src --include='*.cpp' --include='*.h' | grep -v '^src/exif/'; then
  found=1
fi
if grep -nE '^\s*MENUITEM\s+"[^"]*",\s*[0-9]+|^\s*("[^"]*"|VK_\w+),\s*[0-9]+,\s*VIRTKEY' resources/*.rc; then
  found=1
fi
if [ $found -ne 0 ]; then
  echo "command numbers written outside resources/command_ids.h (use the IDM_... names)" >&2
  exit 1
fi
