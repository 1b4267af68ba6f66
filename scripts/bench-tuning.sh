#!/usr/bin/env bash
# How long tuning takes on this machine: the wall time of one episode of
# each learner on fieldsim in lockstep (one worker), then of one generation
# of the walk's learner with 1 and with 2 workers. Every run is a real
# tuner run with local workers (tuner --workers N --learner NAME), which
# pick free ports, so it runs next to anything else on the machine.
#
#   scripts/bench-tuning.sh                 all learners, 3 episodes each
#   EPISODES=5 LEARNERS="tfswalk turn" scripts/bench-tuning.sh
#   GENERATION=10 WORKERS="1 2" scripts/bench-tuning.sh
#
#   BUILD    build folder with tuner, learnagent and fieldsim (default build/release)
#   PARAMS   folder of the skills' values files (default params/): a learner's
#            start vector is params/<skill>.params when it has one, else
#            tools/tuner/<learner>.params, else zeros (said so).
# Figures are the run's wall time divided by its episodes: they include the
# start-up of each worker (one extra simulator start), which is why several
# episodes per run are used.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${BUILD:-$root/build/release}
case "$build" in /*) ;; *) build=$root/$build ;; esac
params=${PARAMS:-$root/params}
episodes=${EPISODES:-3}
learners=${LEARNERS:-"naowalk tfswalk turn kick bsw curve"}
generation=${GENERATION:-10}
workerCounts=${WORKERS:-"1 2"}
for p in tuner learnagent fieldsim; do
  [ -x "$build/$p" ] || { echo "bench-tuning: $build/$p is missing (scripts/build.sh release tuner learnagent fieldsim)" >&2; exit 2; }
done
out=$(mktemp -d /tmp/bench-tuning.XXXXXX)
trap 'rm -rf "$out"' EXIT

count_of() {
  case "$1" in
    tfswalk) echo 10 ;; bsw) echo 8 ;; turn) echo 7 ;; curve) echo 2 ;; kick) echo 9 ;; *) echo 27 ;;
  esac
}
skill_of() {
  case "$1" in tfswalk | curve) echo walk ;; *) echo "$1" ;; esac
}

# The start vector of a learner, as a tuner parameter file.
start_file() {
  local learner=$1 file
  for file in "$params/$(skill_of "$learner").params" "$root/tools/tuner/$learner.params"; do
    if [ -f "$file" ] && [ "$(grep -cv '^\s*\(#\|$\)' "$file")" = "$(count_of "$learner")" ]; then
      echo "$file"
      return
    fi
  done
  file=$out/$learner.params
  for i in $(seq 1 "$(count_of "$learner")"); do echo "v$i 0 1"; done > "$file"
  echo "bench-tuning: $learner starts from zeros (no values file of $(count_of "$learner") values)" >&2
  echo "$file"
}

# Wall seconds of one tuner run: LEARNER BUDGET LAMBDA WORKERS
run() {
  local learner=$1 budget=$2 lambda=$3 workers=$4 dir t0 t1
  dir=$out/$learner-$budget-$workers
  mkdir -p "$dir"
  t0=$(date +%s.%N)
  if ! (cd "$dir" && "$build/tuner" "$(start_file "$learner")" --budget "$budget" \
        --lambda "$lambda" --workers "$workers" --learner "$learner" \
        --learnagent-arg=--fieldsim-arg=--lockstep-timeout=30 > tuner.log 2>&1); then
    echo "bench-tuning: the $learner run failed; its files:" >&2
    tail -5 "$dir/tuner.log" >&2
    return 1
  fi
  t1=$(date +%s.%N)
  # Wall seconds, then the cycles all its simulators ran (episodes that end
  # early, by a fall, are short: cycles per second tells the pace).
  python3 - "$t1" "$t0" "$dir" <<'PY'
import glob, re, sys
t1, t0, d = float(sys.argv[1]), float(sys.argv[2]), sys.argv[3]
cycles = 0
for log in glob.glob(d + "/workers/*/fieldsim.log"):
    cycles += sum(int(n) for n in re.findall(r"summary: (\d+) cycles", open(log).read()))
print(f"{t1 - t0:.2f} {cycles}")
PY
}

echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "one episode per learner (1 worker, $episodes episodes a run):"
for learner in $learners; do
  read -r total cycles < <(run "$learner" "$episodes" 2 1)
  python3 -c "print(f'  {\"$learner\":8s} {$total / $episodes:6.2f} s per episode ({$total:.1f} s for $episodes; {$cycles} cycles, {$cycles / $total:.0f} a second)')"
done
echo "one generation of tfswalk ($generation vectors):"
for w in $workerCounts; do
  read -r total cycles < <(run tfswalk "$generation" "$generation" "$w")
  python3 -c "print(f'  {$w} worker(s): {$total:6.1f} s ({$cycles} cycles)')"
done
