#!/usr/bin/env bash
# Runs a snapshot's build.sh (far2l's core, FAR 3) from a private copy in the
# cache folder. Bash reads a script as it runs it, so a build.sh replaced or
# edited in place during the minutes a build takes would go on with the
# other script's lines; the copy is this run's alone and is removed after it.
#
# The copy runs as build.sh expects to run: $0 names the snapshot's own
# script by its real path, so it finds its archive beside $0, and FAR 3's
# stamp (which holds $0) is the one every run computes, never a rebuild for
# another spelling of the same path.
#
# Usage: snapshot-build.sh SNAPSHOT/build.sh [ARGUMENTS...]
#        prints what build.sh prints (the program's path), exits as it exits
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: snapshot-build.sh SNAPSHOT/build.sh [ARGUMENTS...]" >&2; exit 2; }
script=$(realpath "$1")
shift
[ -f "$script" ] || { echo "snapshot-build.sh: $script is no file" >&2; exit 2; }

cache=${XDG_CACHE_HOME:-$HOME/.cache}
mkdir -p "$cache"
copy=$(mktemp "$cache/hashkeep-build.XXXXXX")
trap 'rm -f "$copy"' EXIT
cp "$script" "$copy"

# bash -c gives the copy its $0; source runs it with the arguments given.
HK_SNAPSHOT_BUILD_COPY=$copy bash -c 'source "$HK_SNAPSHOT_BUILD_COPY"' "$script" "$@"
