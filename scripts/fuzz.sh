#!/usr/bin/env bash
# Builds the fuzz targets (preset fuzz: clang, libFuzzer, AddressSanitizer,
# UBSan) and runs each for a bounded time on a scratch corpus grown from the
# checked-in seeds. Fails on any crash, leak or sanitizer report; the input
# that caused it is kept in tests/fuzz/regressions/<target>/, where the
# replay tests of every preset pick it up.
# Usage: scripts/fuzz.sh [seconds-per-target]   (default 15: about a minute in all)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-15}
targets=(list registry language scenario)
jobs=$(nproc 2>/dev/null || echo 2)

echo "== fuzz: configure and build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs" --target $(printf '%s_fuzz ' "${targets[@]}") \
  $(printf '%s_replay ' "${targets[@]}")

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
work=$(mktemp -d "${TMPDIR:-/tmp}/hashkeep-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT

failed=()
for target in "${targets[@]}"; do
  echo "== fuzz: $target for ${seconds}s"
  mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
  # Replay first: a reproducer kept earlier must stay fixed.
  inputs=(tests/fuzz/seeds/$target)
  [ -d tests/fuzz/regressions/$target ] && inputs+=(tests/fuzz/regressions/$target)
  if ! build/fuzz/tests/fuzz/${target}_replay "${inputs[@]}" >"$work/$target/replay.log" 2>&1; then
    tail -n 40 "$work/$target/replay.log"
    failed+=("$target (replay)")
    continue
  fi
  if ! build/fuzz/tests/fuzz/${target}_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$work/$target/artifacts/" \
      "$work/$target/corpus" "${inputs[@]}" >"$work/$target/fuzz.log" 2>&1; then
    grep -E 'ERROR|broken|SUMMARY|Test unit written' "$work/$target/fuzz.log" || tail -n 40 "$work/$target/fuzz.log"
    failed+=("$target")
  fi
  grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$work/$target/fuzz.log" || true
  # Anything libFuzzer wrote (crash, leak, timeout, out of memory) becomes a
  # regression input, named by its kind and content hash.
  for artifact in "$work/$target/artifacts"/*; do
    [ -e "$artifact" ] || continue
    mkdir -p tests/fuzz/regressions/$target
    cp "$artifact" tests/fuzz/regressions/$target/
    echo "kept tests/fuzz/regressions/$target/$(basename "$artifact")"
  done
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "== fuzz: FAILED: ${failed[*]}"
  exit 1
fi
echo "== fuzz: ${#targets[@]} targets, ${seconds}s each, no finding"
