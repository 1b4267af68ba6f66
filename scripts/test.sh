#!/usr/bin/env bash
# Builds everything and runs the whole test suite twice: a plain optimised
# build, then a build under AddressSanitizer and UndefinedBehaviorSanitizer.
# Then each fuzz harness runs for a short while (scripts/fuzz.sh runs them
# longer). Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-10}

echo "== plain build =="
scripts/build.sh release
ctest --test-dir build/release -j$((jobs * 2)) --output-on-failure

echo "== sanitizer build (ASan + UBSan) =="
scripts/build.sh sanitize
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/sanitize -j$((jobs * 2)) --output-on-failure

echo "== fuzz harnesses (${fuzz_seconds}s each) =="
scripts/fuzz.sh "$fuzz_seconds"
echo "All tests passed."
