#!/usr/bin/env bash
# Builds the main configuration and runs every benchmark program under bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/main -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPYROLAN_BENCH=ON >/dev/null
cmake --build build/main
shopt -s nullglob
for program in build/main/bench/bench_*; do
  [ -x "$program" ] || continue
  echo "== $program"
  "$program" --benchmark_counters_tabular=true "$@"
done
