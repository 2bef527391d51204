#!/usr/bin/env bash
# Runs each libFuzzer target of a fuzz build for a bounded time, starting from a copy of its seed
# corpus, two at a time (one per core).
# Usage: run-fuzzers.sh <fuzz build folder>; PYROLAN_FUZZ_SCALE (default 1) multiplies the times.
set -euo pipefail
build=$1
scale=${PYROLAN_FUZZ_SCALE:-1}
top=$(cd "$(dirname "$0")/.." && pwd)
parallel=2

# target  seconds  corpus folder under fuzz/corpus
targets=(
  "fuzz_config 60 config"
  "fuzz_instrument_packets 60 instrument_packets"
  "fuzz_dummy_csv 30 dummy_csv"
  "fuzz_history_image 60 history_image"
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_one() {  # run_one <name> <seconds> <corpus>
  local name=$1 seconds=$2 corpus=$3
  mkdir -p "$work/$name"
  cp -r "$top/fuzz/corpus/$corpus/." "$work/$name/"
  "$build/fuzz/$name" -max_total_time=$((seconds * scale)) -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$work/$name" >"$work/$name.log" 2>&1
  echo $? >"$work/$name.status"
}

names=()
for entry in "${targets[@]}"; do
  read -r name seconds corpus <<<"$entry"
  [ -x "$build/fuzz/$name" ] || { echo "missing fuzzer $name" >&2; exit 1; }
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do
    wait -n || true
  done
  echo "-- $name for $((seconds * scale)) s"
  (run_one "$name" "$seconds" "$corpus" || true) &
  names+=("$name")
done
wait

failed=0
for name in "${names[@]}"; do
  if [ "$(cat "$work/$name.status" 2>/dev/null)" = "0" ]; then
    echo "-- $name: $(grep -E '^stat::number_of_executed_units' "$work/$name.log" | tail -n 1)"
  else
    echo "-- $name FAILED:" >&2
    tail -n 60 "$work/$name.log" >&2
    failed=1
  fi
done
exit "$failed"
