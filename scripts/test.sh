#!/usr/bin/env bash
# Builds everything and runs the whole test suite twice: a plain optimised
# build, then a build under AddressSanitizer and UndefinedBehaviorSanitizer.
# Then each fuzz harness runs for a short while. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-15}

echo "== plain build =="
scripts/build.sh release
ctest --test-dir build/release -j$((jobs * 2)) --output-on-failure

echo "== sanitizer build (ASan + UBSan) =="
scripts/build.sh sanitize
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/sanitize -j$((jobs * 2)) --output-on-failure

echo "== fuzz harnesses (${fuzz_seconds}s each) =="
CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPITCHBOT_FUZZ=ON \
  -DPITCHBOT_TESTS=OFF -DPITCHBOT_BENCH=OFF >/dev/null
cmake --build build/fuzz -j"$jobs" --target fuzzers
for harness in build/fuzz/*_fuzz; do
  [ -x "$harness" ] || continue
  name=$(basename "$harness")
  corpus=build/fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/seeds/$name" ] && seeds=("fuzz/seeds/$name")
  echo "-- $name"
  "$harness" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$corpus" "${seeds[@]}" 2>&1 | tail -n 2
done
echo "All tests passed."
