#!/usr/bin/env bash
# Builds everything, starts the stand-in simulation server (fieldsim) and a
# team of three players against it for a bounded time, then prints where the
# logs are and the server's summary.
#   DURATION  seconds of game time to play (default 30)
#   PACE      realtime (default) or lockstep (as fast as the players answer)
#   PROGRAM   agent (default) or matchagent
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j"$(nproc)" --target agent matchagent fieldsim wmtrace

duration=${DURATION:-30}
pace=${PACE:-realtime}
program=${PROGRAM:-agent}
bin=$PWD/build/release
out=$PWD/run
rm -rf "$out"
mkdir -p "$out"

[ -x "$bin/fieldsim" ] || { echo "fieldsim was not built" >&2; exit 1; }
echo "Starting fieldsim on 127.0.0.1:3100 ($pace pace, $duration s)..."
"$bin/fieldsim" --pace "$pace" --duration "$duration" --kickoff-after 3 \
  --truth "$out/truth.jsonl" >"$out/fieldsim.log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  grep -q "listening" "$out/fieldsim.log" 2>/dev/null && break
  sleep 0.1
done

for n in 1 2 3; do
  mkdir -p "$out/player$n/log"
  (cd "$out/player$n" && exec "$bin/$program" --unum "$n" --teamname Pitchbot >out.txt 2>err.txt) &
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
for n in 1 2 3; do
  echo "  $out/player$n/          player $n: out.txt, err.txt, Msg.txt (messages received)"
done
echo
echo "Where did player 2 think it was?  $bin/wmtrace $out/player2/Msg.txt | head"
