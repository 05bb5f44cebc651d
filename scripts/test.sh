#!/usr/bin/env bash
# Checks that every C++ file is formatted, then builds and runs every test:
# native, native under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Win32 build under Wine, the far2l plug-in
# end to end in far2l (its core built once by ../shared/far2l/build.sh into
# ~/.cache/hashkeep-far2l; its lists compared with the Win32 build's), the
# release zip's Hashkeep.dll end to end in FAR Manager 3 under Wine (FAR 3
# built once by ../shared/far3/build.sh into ~/.cache/hashkeep-far3), every
# native test under Valgrind's memcheck (leaks included, the 5 GiB test
# skipped; the default build's programs run again), and the fuzz targets for
# a bounded time (scripts/fuzz.sh). Each mode prints its time at its end.
# win64 builds the engine and the native FAR 3 plug-in for 64-bit Windows
# and runs their tests under wine64; far3x64 drives that plug-in, from its
# x64 zip, in the 64-bit FAR 3 (built once by ../shared/far3/build.sh into
# ~/.cache/hashkeep-far3-x64).
# Usage: scripts/test.sh [default|asan|win32|win64|far2l|far3|far3x64|valgrind|fuzz ...]
#        (all of them when none is named; fuzz here means the fuzz run)
set -euo pipefail
cd "$(dirname "$0")/.."

# What the modes named need, checked before anything is built: every missing
# program, header or folder is named with the Debian package that brings it
# (.ci/run installs them all), and the run stops.
check_prerequisites() {
  local missing=() mode
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
    win32) need_win32 ;;
    win64) need_win64 ;;
    far3x64)
      need_win64
      need "${HASHKEEP_FAR3_SNAPSHOT:-$PWD/../shared/far3}/build.sh" \
        "FAR 3's snapshot: ../shared/far3 beside the project, or set HASHKEEP_FAR3_SNAPSHOT"
      # build.sh runs one of FAR's 32-bit build tools under wine.
      need wine "package wine"
      need m4 "package m4"
      need gawk "package gawk"
      need tmux "package tmux"
      need locale-gen "package locales" ;;
    far2l)
      # Its lists are compared with the Win32 build's under Wine.
      need_win32
      need "${HASHKEEP_FAR2L_SNAPSHOT:-$PWD/../shared/far2l}/build.sh" \
        "far2l's snapshot: ../shared/far2l beside the project, or set HASHKEEP_FAR2L_SNAPSHOT"
      need m4 "package m4"
      need gawk "package gawk"
      need tmux "package tmux"
      need busybox "package busybox"
      need iconv "package libc-bin"
      need /usr/include/uchardet/uchardet.h "package libuchardet-dev"
      need /usr/include/libxml2/libxml/parser.h "package libxml2-dev" ;;
    far3)
      need_win32
      need "${HASHKEEP_FAR3_SNAPSHOT:-$PWD/../shared/far3}/build.sh" \
        "FAR 3's snapshot: ../shared/far3 beside the project, or set HASHKEEP_FAR3_SNAPSHOT"
      need m4 "package m4"
      need gawk "package gawk"
      need tmux "package tmux"
      need locale-gen "package locales" ;;
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
  echo "On Debian 12 .ci/run installs everything (as root)." >&2
  exit 1
}

# far2l's core is built once, by the configure step of the far2l mode.
announce_far2l_core() {
  local snapshot=${HASHKEEP_FAR2L_SNAPSHOT:-$PWD/../shared/far2l}
  local cache=${XDG_CACHE_HOME:-$HOME/.cache}/hashkeep-far2l
  if [ ! -x "$cache/build/install/far2l" ] ||
    [ "$(cat "$cache/stamp" 2>/dev/null)" != "$(sha256sum "$snapshot/far2l-src.tar.xz" | cut -c1-16)" ]; then
    echo "== far2l: building far2l's core once into $cache (about 5 to 7 minutes on 2 cores)"
  fi
}

jobs=$(nproc 2>/dev/null || echo 2)
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(default asan win32 win64 far2l far3 far3x64 valgrind fuzz)
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
  [ "$preset" != far2l ] || announce_far2l_core
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
echo "== all tests passed: ${presets[*]}"
