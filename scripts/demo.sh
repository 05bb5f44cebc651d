#!/usr/bin/env bash
# Builds only what the demonstration runs (the plug-in library, the
# substitute host and the command-line tool; no tests, no benchmarks) and
# runs it: the plug-in in the substitute host, its dialogs and message boxes
# drawn as the host puts them on the console, taking its three roads (create
# a list, verify against it after a file changed, compare with the other
# panel); then the command-line tool creating and verifying a list of sample
# files it makes in build/demo/hashkeep-demo (made afresh at every run).
set -euo pipefail
cd "$(dirname "$0")/.."

echo "==== Building the plug-in, hkhost and hashkeep (build/demo)"
# The build's own output only when it fails.
if ! log=$( (cmake --preset demo && cmake --build --preset demo -j "$(nproc 2>/dev/null || echo 2)") 2>&1); then
  echo "$log" >&2
  exit 1
fi

build=$PWD/build/demo

echo
echo "==== The plug-in in the substitute host: create, verify, compare"
echo "     (examples/plugin-demo.scenario, drawn as on an 80x25 console)"
echo
"$build/apps/hkhost/hkhost" --screen --plugin "$build/plugin/libhashkeep.so" \
  examples/plugin-demo.scenario

echo
echo "==== The command-line tool (in build/demo)"
rm -rf "$build/hashkeep-demo"
(cd "$build" && "$build/apps/hashkeep/hashkeep" demo)
