#!/usr/bin/env bash
# Builds everything natively and runs the built-in example: the command-line
# tool creating and verifying a list of sample files it makes.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc 2>/dev/null || echo 2)"

work=$(mktemp -d "${TMPDIR:-/tmp}/hashkeep-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT
hashkeep=$PWD/build/default/apps/hashkeep/hashkeep

echo
echo "==== The command-line tool"
(cd "$work" && "$hashkeep" demo)
