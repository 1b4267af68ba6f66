#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, in build/fuzz) and runs them one after
# the other, each for SECONDS (default 600), from its corpus in
# build/fuzz/corpus/NAME and its seeds in fuzz/seeds/NAME. One line per
# harness: executions, executions per second, coverage (edges) and features.
# A crash, a hang, a leak or a broken property stops that harness with the
# input kept in build/fuzz/artifacts/NAME/ (its log in build/fuzz/logs/) and
# makes the script fail.
#
#   scripts/fuzz.sh [SECONDS] [HARNESS...]     e.g.  scripts/fuzz.sh 1800 fieldsim_scenario_fuzz
#   FUZZ_RUNS  also stop a harness after this many executions (whichever comes first)
#   NICE       niceness of the harnesses (default 0; 19 leaves the machine to others)
#   JOBS       parallel compile jobs (default: the number of cores)
#   FUZZ_BUILD build folder (default build/fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
shift || true
case "$seconds" in
  '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS] [HARNESS...]" >&2; exit 2 ;;
esac

build=${FUZZ_BUILD:-build/fuzz}
CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPITCHBOT_FUZZ=ON \
  -DPITCHBOT_TESTS=OFF -DPITCHBOT_BENCH=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-$(nproc)}" --target fuzzers >/dev/null

harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  for h in "$build"/*_fuzz; do [ -x "$h" ] && harnesses+=("$(basename "$h")"); done
fi

# Absolute paths: some harnesses work in a scratch directory of their own
# while they run an input, and a crash file must not land there.
root=$(cd "$build" && pwd)
failed=0
printf '%-24s %13s %10s %8s %8s\n' harness executions "exec/s" coverage features
for name in "${harnesses[@]}"; do
  harness=$root/$name
  [ -x "$harness" ] || { echo "no harness $name" >&2; failed=1; continue; }
  corpus=$root/corpus/$name
  artifacts=$root/artifacts/$name
  log=$root/logs/$name.log
  mkdir -p "$corpus" "$artifacts" "$root/logs"
  dirs=("$corpus")
  [ -d "fuzz/seeds/$name" ] && dirs+=("$PWD/fuzz/seeds/$name")
  args=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1 -artifact_prefix="$artifacts/")
  [ -n "${FUZZ_RUNS:-}" ] && args+=(-runs="$FUZZ_RUNS")
  status=0
  nice -n "${NICE:-0}" "$harness" "${args[@]}" "${dirs[@]}" >"$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  printf '%-24s %13s %10s %8s %8s\n' "$name" "${execs:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}"
  if [ "$status" -ne 0 ]; then
    failed=1
    echo "!! $name failed (status $status); input kept in $artifacts/, log in $log:" >&2
    grep -E 'ERROR|SUMMARY|#[0-9]+ 0x|Test unit written' "$log" | head -n 20 >&2 || true
  fi
done
exit "$failed"
