#!/usr/bin/env bash
# The command-line tool as `cmake --install` lays it out in an empty prefix:
# exactly the program, its manual page and its bash completion. The program
# runs from there, the manual page renders without a warning, and every
# option that a command's --help lists is in the manual page and is
# completed for that command, so neither falls behind the tool.
# Usage: install_check.sh BUILD WORK VERSION
set -euo pipefail
build=$1 work=$2 version=$3
fail() { echo "install_check: $*" >&2; exit 1; }

rm -rf "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
installed=$(cd "$prefix" && find . ! -type d | sort)
expected='./bin/hashkeep
./share/bash-completion/completions/hashkeep
./share/man/man1/hashkeep.1'
[ "$installed" = "$expected" ] || fail "installed:"$'\n'"$installed"$'\n'"expected:"$'\n'"$expected"

hashkeep=$prefix/bin/hashkeep
[ "$("$hashkeep" --version)" = "hashkeep $version" ] || fail "--version: $("$hashkeep" --version)"

page=$prefix/share/man/man1/hashkeep.1
warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
[ -z "$warnings" ] || fail "the manual page renders with warnings:"$'\n'"$warnings"
grep -q "^\.TH HASHKEEP 1 .*\"hashkeep $version\"" "$page" || fail "the manual page does not name version $version"
# The heads of the page's entries (the line after each .TP), options as
# typed ("\-\-jobs" is "--jobs"): each option has an entry of its own.
entries=$(awk 'previous == ".TP" { print } { previous = $0 }' "$page" | sed 's/\\-/-/g')

# shellcheck source=/dev/null
source "$prefix/share/bash-completion/completions/hashkeep"
completed() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    _hashkeep
    printf '%s\n' "${COMPREPLY[@]}"
}

# The long options of a help text: those at the start of its option lines.
options_of() { sed -nE 's/^ +(-[a-zA-Z], )?(--[a-z][a-z-]*).*/\2/p' | sort -u; }

for command in "" create verify compare demo; do
    if [ -z "$command" ]; then
        help=$("$hashkeep" --help)
        offered=$(completed hashkeep --)
    else
        help=$("$hashkeep" "$command" --help)
        offered=$(completed hashkeep "$command" --)
    fi
    for option in $(options_of <<<"$help"); do
        # Without a command only --help and --version are options of hashkeep itself.
        if [ -z "$command" ] && [ "$option" != --help ] && [ "$option" != --version ]; then
            continue
        fi
        grep -qxF -- "$option" <<<"$offered" || fail "'hashkeep $command $option' is not completed"
        grep -qE -- "(^|[ \"])$option([ \",]|\$)" <<<"$entries" ||
            fail "the manual page has no entry for $option"
    done
done
for command in create verify compare demo; do
    grep -qx "$command" <<<"$(completed hashkeep "")" || fail "the command $command is not completed"
    grep -q "^\.B $command\$" "$page" || fail "the manual page lacks the command $command"
done
[ "$(completed hashkeep create -a "" | tr '\n' ' ')" = "crc32 md5 sha1 sha256 " ] ||
    fail "-a completes to: $(completed hashkeep create -a "")"
echo "install_check: $prefix holds the tool, its manual page and its completion"
