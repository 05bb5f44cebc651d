#!/usr/bin/env bash
# Checks that every C++ file is formatted, then builds and runs every test:
# native, native under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Win32 build under Wine, the far2l plug-in
# end to end in far2l (its core built once by ../shared/far2l/build.sh into
# ~/.cache/hashkeep-far2l; its lists compared with the Win32 build's), the
# release zip's Hashkeep.dll end to end in FAR Manager 3 under Wine (FAR 3
# built once by ../shared/far3/build.sh into ~/.cache/hashkeep-far3), every
# native test under Valgrind's memcheck (leaks included, the 5 GiB test
# skipped; the default build's programs run again), and the fuzz targets for
# a bounded time (scripts/fuzz.sh). Each mode prints its time at its end.
# Usage: scripts/test.sh [default|asan|win32|far2l|far3|valgrind|fuzz ...]
#        (all of them when none is named; fuzz here means the fuzz run)
set -euo pipefail
cd "$(dirname "$0")/.."

# An unformatted file fails the run before anything is built, naming it.
bash scripts/format.sh --check

jobs=$(nproc 2>/dev/null || echo 2)
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(default asan win32 far2l far3 valgrind fuzz)

for preset in "${presets[@]}"; do
  started=$SECONDS
  if [ "$preset" = fuzz ]; then
    bash scripts/fuzz.sh
    echo "== fuzz: done in $((SECONDS - started)) s"
    continue
  fi
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  if [ "$preset" = far2l ]; then
    # Its lists are compared with those Hashkeep.dll writes in hkhost.exe.
    cmake --preset win32 >/dev/null
    cmake --build --preset win32 -j "$jobs" --target hkhost hashkeep_plugin >/dev/null
  fi
  echo "== $preset: test"
  if { [ "$preset" = win32 ] || [ "$preset" = far2l ]; } && [ -z "${HK_WINE_READY:-}" ]; then
    # A fresh Wine prefix for this run, started once before the tests so
    # parallel test programs do not race to create it.
    WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/hashkeep-wine.XXXXXX")
    export WINEPREFIX
    trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
    WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 || true
    HK_WINE_READY=1
  fi
  if [ "$preset" = valgrind ] && ! command -v valgrind >/dev/null; then
    echo "valgrind is not installed" >&2
    exit 1
  fi
  ctest --preset "$preset" -j "$jobs"
  echo "== $preset: passed in $((SECONDS - started)) s"
done
echo "== all tests passed: ${presets[*]}"
