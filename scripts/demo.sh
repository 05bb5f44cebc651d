#!/usr/bin/env bash
# Builds only what the demonstration runs (the plug-in library, the
# substitute host and the command-line tool; no tests, no benchmarks) and
# runs it. First the plug-in as a FAR user meets it, on a pair of panels:
# it creates a list of three files, verifies them against it after one of
# them changed, and compares them with a backup in the other panel; its
# dialogs and boxes are drawn as FAR draws them on an 80x25 console
# (examples/plugin-demo.scenario, played by hkhost --story). Then the
# command-line tool on sample files it makes in build/demo/hashkeep-demo
# (afresh at every run): create, verify, verify after a change, compare.
#
# Usage: scripts/demo.sh [--full]
#   --full  the plug-in's part as the complete transcript: every call between
#           the plug-in and its host, with the host's answers
set -euo pipefail
cd "$(dirname "$0")/.."

full=
case ${1:-} in
"") ;;
--full) full=1 ;;
*)
  echo "usage: scripts/demo.sh [--full]" >&2
  exit 2
  ;;
esac

echo "==== Building the plug-in, hkhost and hashkeep (build/demo)"
# The build's own output only when it fails.
if ! log=$( (cmake --preset demo && cmake --build --preset demo -j "$(nproc 2>/dev/null || echo 2)") 2>&1); then
  echo "$log" >&2
  exit 1
fi

build=$PWD/build/demo
host=("$build/apps/hkhost/hkhost" --plugin "$build/plugin/libhashkeep.so")

echo
echo "==== Hashkeep in FAR Manager: create a list, verify against it, compare"
if [ -n "$full" ]; then
  echo "     (every call between the plug-in and the host, as hkhost records it)"
  echo
  "${host[@]}" examples/plugin-demo.scenario
else
  echo "     Two panels: the active one (left) holds work/, the other one backup/."
  echo "     The plug-in is run by hkhost, which stands in for FAR and draws what"
  echo "     FAR would show; 'bash scripts/demo.sh --full' shows every call."
  "${host[@]}" --story examples/plugin-demo.scenario
fi

echo
echo "==== The command-line tool, hashkeep (in build/demo)"
echo
rm -rf "$build/hashkeep-demo"
(cd "$build" && "$build/apps/hashkeep/hashkeep" demo)
