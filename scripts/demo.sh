#!/usr/bin/env bash
# Builds everything natively and runs the built-in examples: the plug-in in
# the substitute host taking its three roads (create a list, verify against
# it after a file changed, compare with the other panel), then the
# command-line tool creating and verifying a list of sample files it makes.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc 2>/dev/null || echo 2)"

work=$(mktemp -d "${TMPDIR:-/tmp}/hashkeep-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT
hashkeep=$PWD/build/default/apps/hashkeep/hashkeep

echo
echo "==== The plug-in in the substitute host: create, verify, compare"
echo "     (examples/plugin-demo.scenario; every host service call is shown)"
echo
build/default/apps/hkhost/hkhost --plugin build/default/plugin/libhashkeep.so \
  examples/plugin-demo.scenario

echo
echo "==== The command-line tool"
(cd "$work" && "$hashkeep" demo)
