#!/bin/sh
# Runs a Win32 program headless under Wine. WINEPREFIX may name a prefix made
# for this run; otherwise one private prefix per user is used.
: "${WINEPREFIX:=${TMPDIR:-/tmp}/hashkeep-wine-$(id -u)}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
