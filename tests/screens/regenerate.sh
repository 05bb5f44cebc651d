#!/usr/bin/env bash
# Rewrites the expected drawings of tests/screens from the plug-in as built
# in build/default (or the build folder given). Read the new drawings before
# committing them: they are what the tests hold the dialogs to. A run that
# reports errors (a layout fault among them) is still written, and named.
set -euo pipefail
cd "$(dirname "$0")"
build=$(cd ../.. && cd "${1:-build/default}" && pwd)
cmake --build "$build" --target hkhost hashkeep_plugin >/dev/null
for scenario in *.scenario; do
  expected=${scenario%.scenario}.expected
  status=0
  "$build/apps/hkhost/hkhost" --screen --plugin "$build/plugin/libhashkeep.so" \
    --output "$expected" "$scenario" || status=$?
  case $status in
    0) echo "wrote tests/screens/$expected" ;;
    1) echo "wrote tests/screens/$expected, but the run reported errors (the !! lines)" ;;
    *) exit "$status" ;;
  esac
done
