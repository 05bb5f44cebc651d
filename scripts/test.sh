#!/usr/bin/env bash
# Builds and runs every test: native, native under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the Win32 build under Wine.
# Usage: scripts/test.sh [default|asan|win32 ...]   (all when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(default asan win32)

for preset in "${presets[@]}"; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: test"
  if [ "$preset" = win32 ]; then
    # A fresh Wine prefix for this run, started once before the tests so
    # parallel test programs do not race to create it.
    WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/hashkeep-wine.XXXXXX")
    export WINEPREFIX
    trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
    WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 || true
  fi
  ctest --preset "$preset" -j "$jobs"
done
echo "== all tests passed: ${presets[*]}"
