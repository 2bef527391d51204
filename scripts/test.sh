#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
#   AddressSanitizer + UndefinedBehaviorSanitizer on the unit tests, ThreadSanitizer on the
#   concurrency tests, each libFuzzer target for a bounded time, then the whole suite of the main build.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

configure() {  # configure <folder> <cmake options...>
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DPYROLAN_WERROR=ON "$@" >/dev/null
}

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
configure build/asan -DCMAKE_BUILD_TYPE=Debug -DPYROLAN_SANITIZER=address -DPYROLAN_BENCH=OFF
cmake --build build/asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan -L unit --output-on-failure -j2

echo "== ThreadSanitizer"
configure build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPYROLAN_SANITIZER=thread -DPYROLAN_BENCH=OFF
cmake --build build/tsan
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build/tsan -L concurrency --output-on-failure -j2

echo "== libFuzzer"
configure build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DPYROLAN_FUZZ=ON \
  -DPYROLAN_BENCH=OFF
cmake --build build/fuzz
bash scripts/run-fuzzers.sh build/fuzz

echo "== Main build"
configure build/main -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/main
ctest --test-dir build/main --output-on-failure -j2
