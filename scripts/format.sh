#!/usr/bin/env bash
# Formats every tracked C++ file with the repository's .clang-format.
# Usage: scripts/format.sh [--check]
#   --check  changes nothing; names every file that is not formatted and
#            exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

formatter=${CLANG_FORMAT:-}
if [ -z "$formatter" ]; then
  for candidate in clang-format-14 clang-format; do
    if command -v "$candidate" >/dev/null; then formatter=$candidate; break; fi
  done
fi
[ -n "$formatter" ] || { echo "format: clang-format-14 is not installed" >&2; exit 2; }

mapfile -t files < <(git ls-files -- '*.cpp' '*.cc' '*.h' '*.hpp')
if [ "${1:-}" = --check ]; then
  unformatted=()
  for file in "${files[@]}"; do
    "$formatter" --dry-run -Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
  done
  if [ ${#unformatted[@]} -gt 0 ]; then
    echo "format: these files are not formatted (run bash scripts/format.sh):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
  fi
  echo "format: all ${#files[@]} C++ files are formatted"
else
  "$formatter" -i "${files[@]}"
fi
