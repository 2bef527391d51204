#!/usr/bin/env bash
# Runs each libFuzzer target of a fuzz build for a bounded time, starting from a copy of its seed corpus.
# Usage: run-fuzzers.sh <fuzz build folder>; PYROLAN_FUZZ_SCALE (default 1) multiplies the times.
set -euo pipefail
build=$1
scale=${PYROLAN_FUZZ_SCALE:-1}
top=$(cd "$(dirname "$0")/.." && pwd)

# target  seconds  corpus folder under fuzz/corpus
targets=(
  "fuzz_config 60 config"
  "fuzz_instrument_packets 60 instrument_packets"
  "fuzz_dummy_csv 30 dummy_csv"
  "fuzz_history_image 60 history_image"
)

for entry in "${targets[@]}"; do
  read -r name seconds corpus <<<"$entry"
  [ -x "$build/fuzz/$name" ] || { echo "missing fuzzer $name" >&2; exit 1; }
  work=$(mktemp -d)
  cp -r "$top/fuzz/corpus/$corpus/." "$work/"
  echo "-- $name for $((seconds * scale)) s"
  "$build/fuzz/$name" -max_total_time=$((seconds * scale)) -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$work" 2>&1 | tail -n 12
  status=${PIPESTATUS[0]}
  rm -rf "$work"
  [ "$status" -eq 0 ] || { echo "$name failed" >&2; exit "$status"; }
done
