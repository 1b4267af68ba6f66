#!/usr/bin/env bash
# Builds everything, starts the stand-in simulation server (fieldsim) with its
# web monitor and two teams of three players against it for a bounded time,
# then prints where the logs are and the server's summary.
#   DURATION  seconds of game time to play (default 30)
#   PACE      realtime (default) or lockstep (as fast as the players answer)
#   PROGRAM   matchagent (default) or agent; with agent each player's beliefs
#             are kept beside its trace (beliefs.csv) for fieldsim --replay
#   MODEL     fieldsim's robot model: physics (default: rigid bodies, as the
#             real server) or kinematic
#   MONITOR_PORT  port of the web monitor on 127.0.0.1 (default 0: a free one)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The same build as the test script's, so running both compiles once.
scripts/build.sh release agent matchagent fieldsim wmtrace

duration=${DURATION:-30}
pace=${PACE:-realtime}
program=${PROGRAM:-matchagent}
monitor=${MONITOR_PORT:-0}
model=${MODEL:-physics}
bin=$PWD/build/release
out=$PWD/run
rm -rf "$out"
mkdir -p "$out"

[ -x "$bin/fieldsim" ] || { echo "fieldsim was not built" >&2; exit 1; }
echo "Starting fieldsim on 127.0.0.1:3100 ($model model, $pace pace, $duration s)..."
# The clock waits for all six players to join, so that none of them misses
# the kick-off however slowly it starts (in lockstep above all).
"$bin/fieldsim" --model "$model" --pace "$pace" --duration "$duration" --kickoff-after 3 --wait-for 6 --wait-timeout 30 \
  --truth "$out/truth.jsonl" --monitor-port "$monitor" >"$out/fieldsim.log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  grep -q "monitor at" "$out/fieldsim.log" 2>/dev/null && break
  sleep 0.1
done
url=$(grep -o "http://127.0.0.1:[0-9]*/" "$out/fieldsim.log" | head -n 1 || true)
[ -n "$url" ] && echo "Watch the match in a browser: $url"

# The first team to join plays on the left.
for team in Pitchbot Rivals; do
  for n in 1 2 3; do
    dir=$out/$team/p$n
    mkdir -p "$dir/log"
    (cd "$dir" && exec "$bin/$program" --unum "$n" --teamname "$team" >out.txt 2>err.txt) &
  done
  sleep 0.05
done

wait "$sim" || true
trap - EXIT
wait || true

echo
echo "fieldsim:"
tail -n 5 "$out/fieldsim.log"
echo
echo "Logs:"
echo "  $out/fieldsim.log       the server's console"
echo "  $out/truth.jsonl        ground truth, one JSON object per cycle"
for team in Pitchbot Rivals; do
  echo "  $out/$team/pN/        $team's player N: out.txt, err.txt (and Msg.txt, beliefs.csv for agent)"
done
echo

if [ "$program" != agent ]; then
  echo "With PROGRAM=agent each player keeps its messages, and what it believed, for a replay."
  exit 0
fi
# What each player believed, message by message, beside its trace: wmtrace
# needs the side its team played on, which the truth log names.
echo "What each player believed (wmtrace over its Msg.txt):"
for team in Pitchbot Rivals; do
  side=$(grep -m 1 -o "\"team\":\"$team\",\"side\":\"[a-z]*\"" "$out/truth.jsonl" | head -n 1 |
         sed 's/.*"side":"//; s/"$//' || true)
  for n in 1 2 3; do
    dir=$out/$team/p$n
    if [ ! -s "$dir/Msg.txt" ]; then
      echo "  $team/p$n: no Msg.txt, no beliefs"
    elif "$bin/wmtrace" ${side:+--side "$side"} --unum "$n" --teamname "$team" "$dir/Msg.txt" \
         >"$dir/beliefs.csv" 2>"$dir/wmtrace.err"; then
      echo "  $dir/beliefs.csv"
    else
      echo "  $team/p$n: wmtrace failed (see $dir/wmtrace.err)"
    fi
  done
done
echo
echo "Watch the game again beside what each player believed (Ctrl-C ends it):"
echo "  $bin/fieldsim --replay $out --monitor-port 8080     # then open http://127.0.0.1:8080/"
