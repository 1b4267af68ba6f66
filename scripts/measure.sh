#!/usr/bin/env bash
# Plays a match of two teams of three on fieldsim in real time and prints,
# for every process, its CPU time as a share of one core and its peak
# resident memory (RSS), as GNU time reports them when the process ends.
#   DURATION  seconds of server time (default 60)
#   PROGRAM   matchagent (default) or agent
#   MODEL     fieldsim's robot model, kinematic (default) or physics
# Everything lands in run/measure/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release fieldsim agent matchagent >/dev/null

duration=${DURATION:-60}
program=${PROGRAM:-matchagent}
model=${MODEL:-kinematic}
bin=$PWD/build/release
out=$PWD/run/measure
rm -rf "$out"
mkdir -p "$out"
MEASURE_DIR=$out
. scripts/lib/measured.sh
trap stop_measured EXIT

echo "Playing $duration s in real time: fieldsim ($model model) and 2 x 3 $program..."
start_measured fieldsim "$out/fieldsim" "$bin/fieldsim" --pace realtime --duration "$duration" \
  --kickoff-after 3 --wait-for 6 --wait-timeout 30 --model "$model"
wait_listening "$out/fieldsim/out.txt" "$out/fieldsim/err.txt" 50 || exit 1
names=(fieldsim)
start_teams "$bin/$program" "$out"
wait_measured
trap - EXIT

echo
grep "summary:" "$out/fieldsim/out.txt" || true
echo
report_measured "${names[@]}"
