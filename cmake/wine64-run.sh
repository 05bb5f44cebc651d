#!/bin/sh
# Runs a 64-bit Windows program headless under Wine's 64-bit loader.
# WINE64PREFIX may name a 64-bit prefix made for this run; otherwise one
# private prefix per user is used. A prefix of its own, apart from the one
# wine-run.sh uses, since that one may be a 32-bit prefix (WINEARCH=win32),
# which runs no 64-bit program.
: "${WINE64PREFIX:=${TMPDIR:-/tmp}/hashkeep-wine64-$(id -u)}"
WINEPREFIX=$WINE64PREFIX
export WINEPREFIX
unset WINEARCH
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec /usr/lib/wine/wine64 "$@"
