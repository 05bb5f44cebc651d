#!/usr/bin/env bash
# cmake/snapshot-build.sh runs a snapshot's build.sh from a private copy: a
# fake build.sh that rewrites itself in place halfway (a snapshot updated
# during a build) ends as it began, sees its archive beside $0, its arguments
# and $0 by its real path (FAR 3's stamp holds $0), and its exit status is
# handed back; no copy is left.
# Usage: snapshot_build_check.sh SNAPSHOT_BUILD WORK
set -euo pipefail
runner=$1 work=$2
fail() { echo "snapshot_build: $*" >&2; exit 1; }

rm -rf "$work" && mkdir -p "$work/snapshot" "$work/cache" && work=$(realpath "$work")
script=$work/snapshot/build.sh
ln -s snapshot "$work/linked"
echo "archive 1" >"$work/snapshot/archive"
# The edit keeps every byte before the last line: bash, reading on, meets "exit 3".
cat >"$script" <<'SCRIPT'
#!/usr/bin/env bash
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
echo "script: $0; archive: $(cat "$here/archive"); arguments: $*"
[ "${1:-}" != fail ] || exit 2
sed 's/^echo finished$/exit 3 #####/' "$0" >"$here/edited"
cat "$here/edited" >"$0"
echo finished
SCRIPT
cp "$script" "$work/build.sh.orig"

# Without the copy the edit breaks the run: what the case below guards.
status=0
bash "$script" >/dev/null || status=$?
[ $status -eq 3 ] || fail "the edit in place did not reach a run of the script itself ($status)"

# CALLED AS | ARGUMENTS | STATUS | LAST LINE
cases=(
  "$work/snapshot/build.sh|one|0|finished"
  "$work/linked/build.sh|two words|0|finished"
  "$work/snapshot/../linked/build.sh|fail|2|"
)
for case in "${cases[@]}"; do
  IFS='|' read -r called arguments expected_status last <<<"$case"
  expected="script: $script; archive: archive 1; arguments: $arguments"
  [ -z "$last" ] || expected+=$'\n'"$last"
  cp "$work/build.sh.orig" "$script"
  status=0
  output=$(XDG_CACHE_HOME=$work/cache bash "$runner" "$called" "$arguments" 2>&1) || status=$?
  [ "$status" = "$expected_status" ] || fail "$called $arguments: exit $status, expected $expected_status: $output"
  [ "$output" = "$expected" ] || fail "$called $arguments gave:"$'\n'"$output"$'\n'"expected:"$'\n'"$expected"
  left=$(ls -A "$work/cache")
  [ -z "$left" ] || fail "$called $arguments left in the cache folder: $left"
done
