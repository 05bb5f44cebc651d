#!/usr/bin/env bash
# Checks that every C++ file is formatted, then builds and runs the tests of
# each mode named (README's table): default, asan and valgrind (the native
# build, under the sanitizers, under Valgrind's memcheck with the 5 GiB test
# skipped), win32 (the Win32 build under Wine), far2l and far3 (the plug-in
# end to end in a real far2l, and the release zip's Hashkeep.dll in a real
# FAR Manager 3 under Wine), win64 and far3x64 (the engine and the native
# FAR 3 plug-in built for 64-bit Windows, tested under wine64, and that
# plug-in from its x64 zip in the 64-bit FAR 3), and fuzz (scripts/fuzz.sh).
# Each mode prints its time at its end.
#
# far2l, far3 and far3x64 build their host once, from its snapshot beside the clone
# (../shared/far2l, ../shared/far3; HASHKEEP_FAR2L_SNAPSHOT and
# HASHKEEP_FAR3_SNAPSHOT name other places), into ~/.cache; the run says so
# before the minutes that take.
#
# Usage: scripts/test.sh [MODE...]
#   With no MODE, every mode; one whose snapshot is missing is left out,
#   and the run says so at its start and its end. A MODE named whose
#   snapshot is missing stops the run before anything is built.
set -euo pipefail
cd "$(dirname "$0")/.."

# Every mode, in the order a run without names takes them. A mode that
# drives a real host also has its snapshot in snapshot_of and its build in
# announce_host_build.
all_modes=(default asan win32 win64 far2l far3 far3x64 valgrind fuzz)

# snapshot_of MODE: the snapshot folder the mode builds its host from, or
# nothing for a mode without a real host.
snapshot_of() {
  case $1 in
  far2l) echo "${HASHKEEP_FAR2L_SNAPSHOT:-$PWD/../shared/far2l}" ;;
  far3 | far3x64) echo "${HASHKEEP_FAR3_SNAPSHOT:-$PWD/../shared/far3}" ;;
  esac
}

# snapshot_missing MODE: true when the mode needs a snapshot that is not
# there.
snapshot_missing() {
  local snapshot
  snapshot=$(snapshot_of "$1")
  [ -n "$snapshot" ] && [ ! -f "$snapshot/build.sh" ]
}

# What a missing snapshot is, for the messages: the host's public sources at
# a pinned commit with the small build.sh that builds them.
describe_snapshot() {
  local where
  where=$(realpath -m "$(snapshot_of "$1")")
  case $1 in
  far2l) echo "far2l's snapshot (far2l's sources at a pinned commit, with its build.sh) is not at $where; put it there or set HASHKEEP_FAR2L_SNAPSHOT" ;;
  far3 | far3x64) echo "FAR Manager 3's snapshot (its sources at a pinned commit, with its build.sh) is not at $where; put it there or set HASHKEEP_FAR3_SNAPSHOT" ;;
  esac
}

# What the modes named need, checked before anything is built: every missing
# program, header or folder is named with the Debian package that brings it
# (.ci/run installs them all), and the run stops.
check_prerequisites() {
  local missing=() mode snapshots_missing=
  need() { # need WHAT WHENCE: WHAT is a program's name or a path
    if [[ $1 == /* ]]; then [ -e "$1" ]; else command -v "$1" >/dev/null 2>&1; fi ||
      missing+=("$1 ($2)")
  }
  need_win32() {
    need i686-w64-mingw32-g++-posix "package g++-mingw-w64-i686"
    need i686-w64-mingw32-g++-win32 "package g++-mingw-w64-i686"
    need /usr/src/googletest/CMakeLists.txt "package googletest"
    need wine "package wine"
    # Wine's 32-bit half, which every Win32 program here needs.
    if command -v dpkg-query >/dev/null 2>&1 &&
      ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'ok installed'; then
      missing+=("32-bit Wine (package wine32:i386, after dpkg --add-architecture i386)")
    fi
    need script "package bsdutils"
  }
  need_win64() {
    need x86_64-w64-mingw32-g++-posix "package g++-mingw-w64-x86-64"
    need x86_64-w64-mingw32-g++-win32 "package g++-mingw-w64-x86-64"
    need /usr/src/googletest/CMakeLists.txt "package googletest"
    need /usr/lib/wine/wine64 "package wine64"
  }
  # Wine takes its code pages from the locale: the tests of Cyrillic names
  # and FAR 3's Russian interface run under ru_RU.UTF-8.
  need_russian_locale() {
    locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8' ||
      missing+=("the ru_RU.UTF-8 locale (package locales, then as root: sed -i 's/^# *\\(ru_RU.UTF-8 UTF-8\\)/\\1/' /etc/locale.gen && locale-gen)")
  }
  need cmake "package cmake"
  need make "package make"
  need g++ "package g++"
  need python3 "package python3"
  need clang-format-14 "package clang-format-14"
  if command -v cmake >/dev/null 2>&1; then
    local version
    version=$(cmake --version | sed -n 's/^cmake version \([0-9]*\.[0-9]*\).*/\1/p')
    printf '%s\n3.25\n' "$version" | sort -V -C ||
      missing+=("CMake 3.25 or later (this is $version)")
  fi
  for mode in "$@"; do
    if snapshot_missing "$mode"; then
      missing+=("$(describe_snapshot "$mode")")
      snapshots_missing=1
    fi
    case $mode in
    default | asan | valgrind)
      need /usr/include/gtest/gtest.h "package libgtest-dev"
      need sha256sum "package coreutils"
      need rhash "package rhash"
      need cksfv "package cksfv"
      need busybox "package busybox"
      need shasum "package perl"
      need groff "package groff-base"
      [ "$mode" != default ] || need /usr/include/benchmark/benchmark.h "package libbenchmark-dev"
      [ "$mode" != valgrind ] || need valgrind "package valgrind" ;;
    win32)
      need_win32
      need_russian_locale ;;
    far2l)
      # Its lists are compared with the Win32 build's under Wine.
      need_win32
      need m4 "package m4"
      need gawk "package gawk"
      need tmux "package tmux"
      need busybox "package busybox"
      need iconv "package libc-bin"
      need /usr/include/uchardet/uchardet.h "package libuchardet-dev"
      need /usr/include/libxml2/libxml/parser.h "package libxml2-dev" ;;
    far3)
      need_win32
      need m4 "package m4"
      need gawk "package gawk"
      need tmux "package tmux"
      need_russian_locale ;;
    win64) need_win64 ;;
    far3x64)
      need_win64
      # build.sh runs one of FAR's 32-bit build tools under wine.
      need wine "package wine"
      need m4 "package m4"
      need gawk "package gawk"
      need tmux "package tmux"
      need_russian_locale ;;
    fuzz)
      need clang "package clang"
      if command -v clang >/dev/null 2>&1 &&
        [ ! -e "$(clang -print-file-name=libclang_rt.fuzzer-x86_64.a)" ]; then
        missing+=("libFuzzer (package libclang-rt-14-dev)")
      fi ;;
    esac
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "scripts/test.sh: missing for ${*}:" >&2
  printf '%s\n' "${missing[@]}" | sort -u | sed 's/^/  /' >&2
  echo "On Debian 12 .ci/run installs every package and the locale (as root)." >&2
  [ -z "$snapshots_missing" ] ||
    echo "README.md's \"Build and test\" says what the snapshots are and where they come from." >&2
  exit 1
}

# announce_host_build MODE: a mode with a real host builds it once, in its
# configure step, through cmake/snapshot-build.sh into a cache folder; say so
# before the minutes that take. The host is built when its program is
# missing or its stamp is not the one the snapshot's build.sh computes.
announce_host_build() {
  local script cache program stamp what minutes log
  local root=${XDG_CACHE_HOME:-$HOME/.cache}
  case $1 in
  far2l)
    what="far2l's core" minutes=3 log=build/far2l/far2l-build.log
    cache=$root/hashkeep-far2l program=$cache/build/install/far2l
    stamp=$(sha256sum "$(snapshot_of "$1")/far2l-src.tar.xz" | cut -c1-16) ;;
  far3)
    what="FAR Manager 3 (32-bit)" minutes=5 log=build/win32/far3-build.log
    cache=$root/hashkeep-far3 program=$cache/far3/far/Release.32.gcc/Far.exe
    stamp=$(far3_stamp "$(snapshot_of "$1")" 32) ;;
  far3x64)
    what="FAR Manager 3 (64-bit)" minutes=5 log=build/win64/far3x64-build.log
    cache=$root/hashkeep-far3-x64 program=$cache/far3/far/Release.64.gcc/Far.exe
    stamp=$(far3_stamp "$(snapshot_of "$1")" 64) ;;
  *) return 0 ;;
  esac
  if [ ! -e "$program" ] || [ "$(cat "$cache/stamp" 2>/dev/null)" != "$stamp" ]; then
    echo "== $1: building $what once into $cache: about $minutes minutes on 2 cores (log: $log)"
  fi
}

# far3_stamp SNAPSHOT BITS: FAR 3's stamp as its build.sh computes it when
# cmake/snapshot-build.sh runs it (by its real path): the archive and the
# script, each with its path, and the word size.
far3_stamp() {
  local script
  script=$(realpath "$1/build.sh")
  { sha256sum "$(dirname "$script")/far3-src.tar.xz"; sha256sum "$script"; echo "$2"; } |
    sha256sum | cut -c1-16
}

jobs=$(nproc 2>/dev/null || echo 2)
presets=("$@")
left_out=()
for preset in "${presets[@]}"; do
  [[ " ${all_modes[*]} " == *" $preset "* ]] || {
    echo "scripts/test.sh: there is no mode $preset; the modes: ${all_modes[*]}" >&2
    exit 2
  }
done
if [ ${#presets[@]} -eq 0 ]; then
  for preset in "${all_modes[@]}"; do
    if snapshot_missing "$preset"; then left_out+=("$preset"); else presets+=("$preset"); fi
  done
  if [ ${#left_out[@]} -gt 0 ]; then
    for preset in "${left_out[@]}"; do
      echo "scripts/test.sh: $(describe_snapshot "$preset")."
    done
    echo "scripts/test.sh: left out for want of a snapshot: ${left_out[*]}."
    echo "scripts/test.sh: the modes this clone can run: ${presets[*]}."
  fi
fi
check_prerequisites "${presets[@]}"

# An unformatted file fails the run before anything is built, naming it.
bash scripts/format.sh --check

for preset in "${presets[@]}"; do
  started=$SECONDS
  if [ "$preset" = fuzz ]; then
    bash scripts/fuzz.sh
    echo "== fuzz: done in $((SECONDS - started)) s"
    continue
  fi
  echo "== $preset: configure and build"
  announce_host_build "$preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  if [ "$preset" = far2l ]; then
    # Its lists are compared with those Hashkeep.dll writes in hkhost.exe.
    cmake --preset win32 >/dev/null
    cmake --build --preset win32 -j "$jobs" --target hkhost hashkeep_plugin >/dev/null
  fi
  echo "== $preset: test"
  if { [ "$preset" = win32 ] || [ "$preset" = far2l ]; } && [ -z "${HK_WINE_READY:-}" ]; then
    # A fresh Wine prefix for this run, started once before the tests so
    # parallel test programs do not race to create it.
    WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/hashkeep-wine.XXXXXX")
    export WINEPREFIX
    trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
    WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 || true
    HK_WINE_READY=1
  fi
  if { [ "$preset" = win64 ] || [ "$preset" = far3x64 ]; } && [ -z "${WINE64PREFIX:-}" ]; then
    # The same for the 64-bit programs (cmake/wine64-run.sh), in a 64-bit prefix.
    WINE64PREFIX=$(mktemp -d "${TMPDIR:-/tmp}/hashkeep-wine64.XXXXXX")
    export WINE64PREFIX
    # Ended and removed at exit, before what an earlier mode left to do then.
    earlier=$(trap -p EXIT | sed "s/^trap -- '\(.*\)' EXIT\$/\1/")
    trap 'WINEPREFIX=$WINE64PREFIX /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
          rm -rf "$WINE64PREFIX"; '"$earlier" EXIT
    (unset WINEARCH; WINEPREFIX=$WINE64PREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
      /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1) || true
  fi
  ctest --preset "$preset" -j "$jobs"
  echo "== $preset: passed in $((SECONDS - started)) s"
done
if [ ${#left_out[@]} -gt 0 ]; then
  echo "== all tests passed: ${presets[*]}; left out, for want of a snapshot: ${left_out[*]}"
else
  echo "== all tests passed: ${presets[*]}"
fi
