#!/usr/bin/env bash
# Rewrites the expected drawings of tests/screens from the plug-in as built
# in build/default (or the build folder given). Read the new drawings before
# committing them: they are what the tests hold the dialogs to.
set -euo pipefail
cd "$(dirname "$0")"
build=$(cd ../.. && cd "${1:-build/default}" && pwd)
cmake --build "$build" --target hkhost hashkeep_plugin >/dev/null
for scenario in *.scenario; do
  "$build/apps/hkhost/hkhost" --screen --plugin "$build/plugin/libhashkeep.so" \
    --output "${scenario%.scenario}.expected" "$scenario" || true
  echo "wrote tests/screens/${scenario%.scenario}.expected"
done
