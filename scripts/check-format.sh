#!/usr/bin/env bash
# Fails when a C++ source of the project does not match .clang-format.
# Every tracked source is checked (the tree was formatted once as a whole), so
# a change that is not formatted shows up whichever file it touched.
# Run clang-format -i on the files it names to fix them.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
if ! command -v clang-format >/dev/null; then
  echo "clang-format is missing: run scripts/install-packages.sh" >&2
  exit 1
fi
mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')
[ ${#files[@]} -eq 0 ] && exit 0
bad=()
for f in "${files[@]}"; do
  [ -f "$f" ] || continue
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "Not formatted (clang-format -i fixes them):" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "format check: ${#files[@]} files formatted"
