#!/usr/bin/env bash
# The walk's figures on fieldsim's physics model, in lockstep: twelve
# ten-second walks at full requested speed, the starts the real server was
# recorded with (beamed to (-4,0,0), (-5,2,0), (-5,-2,0), (-4,1,30),
# (-4,-1,-30) and (-3,0,0), each once right after the beam and once after
# standing 2 s), in play (play on from 1 s after the start, so no kick-off
# rule moves a robot that reaches the centre line). For each start it prints the speed along the starting
# heading while the robot was up, the sideways drift, the heading drift and
# (mean over its last second up) and whether (and when) it fell; then the slowest and fastest speed and the
# number of falls. Then, unless QUICK=1, the walk steering right and left
# (--turn 10 / -10) from a settled stance.
#
#   scripts/measure-walk.sh [SKILLRUN OPTION...]   e.g. --design-params
#   OUT     where the trials go (default run/measure-walk)
#   JOBS    trials side by side (default 2)
#   BUILD   build folder (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${OUT:-run/measure-walk}
jobs=${JOBS:-2}
extra=("$@")
rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)

starts=("-4 0 0" "-5 2 0" "-5 -2 0" "-4 1 30" "-4 -1 -30" "-3 0 0")
trials=()
for settle in 0 2; do
  for s in "${starts[@]}"; do
    trials+=("walk|$s|$settle|--speed 1")
  done
done
if [ "${QUICK:-0}" != 1 ]; then
  trials+=("walk|-4 0 0|2|--speed 1 --turn 10" "walk|-4 0 0|2|--speed 1 --turn -10")
fi

run_one() {
  local i=$1 spec=$2
  IFS='|' read -r skill beam settle args <<<"$spec"
  mkdir -p "$out/$i"
  echo "1.0 playmode PlayOn" >"$out/$i/scenario"
  # shellcheck disable=SC2086
  scripts/trial.sh "$out/$i" --kickoff-after -1 --scenario "$out/$i/scenario" -- \
    "$skill" --beam $beam --settle "$settle" \
    --seconds 10 $args "${extra[@]}" || echo "trial $i failed: see $out/$i" >&2
  echo "$spec" >"$out/$i/spec"
}

i=0
for spec in "${trials[@]}"; do
  run_one "$i" "$spec" &
  i=$((i + 1))
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
done
wait

python3 - "$out" "${#trials[@]}" <<'PY'
import json, math, os, sys
out, n = sys.argv[1], int(sys.argv[2])

def wrap(a):
    return (a + 180.0) % 360.0 - 180.0

rows = []
for i in range(n):
    d = os.path.join(out, str(i))
    spec = open(os.path.join(d, "spec")).read().strip().split("|")
    settle = float(spec[2])
    recs = []
    try:
        for line in open(os.path.join(d, "truth.jsonl")):
            o = json.loads(line)
            if o["robots"]:
                recs.append((o["time"], o["robots"][0]))
    except (OSError, ValueError) as e:
        print(f"{i}: no truth log ({e})")
        continue
    if not recs:
        print(f"{i}: the robot never joined")
        continue
    bx, by = (float(v) for v in spec[1].split()[:2])
    # The robot joins where the server puts it; the walk starts from the beam.
    placed = [t for t, r in recs if abs(r["x"] - bx) < 0.05 and abs(r["y"] - by) < 0.05]
    if not placed:
        print(f"{i}: the robot never reached its beam")
        continue
    t0 = placed[0] + settle
    start = next(r for t, r in recs if t >= t0 - 1e-9)
    fell_at = None
    up = []
    for t, r in recs:
        if t < placed[0]:
            continue
        if r["state"] != "upright":
            fell_at = t - t0
            break
        if t >= t0:
            up.append((t, r))
    if not up:
        up = [(t0, start)]
    te, re_ = up[-1]
    h = math.radians(start["yaw"])
    dx, dy = re_["x"] - start["x"], re_["y"] - start["y"]
    along = dx * math.cos(h) + dy * math.sin(h)
    across = -dx * math.sin(h) + dy * math.cos(h)
    dt = max(te - t0, 1e-6)
    # The heading sways with every step: its drift is the mean over the
    # last second up.
    last = [wrap(r["yaw"] - start["yaw"]) for t, r in up if t >= te - 1.0]
    yaw = sum(last) / len(last)
    rows.append((spec, along / dt, across, yaw, fell_at, dt))

print(f"{'start (beam x y rot)':24} {'settle':>6} {'args':>24} {'m/s':>6} {'side m':>7} {'yaw deg':>8}  fell")
for spec, v, across, yaw, fell, dt in rows:
    f = "-" if fell is None else f"after {fell:.1f} s"
    print(f"{spec[1]:24} {spec[2]:>6} {spec[3]:>24} {v:6.3f} {across:7.2f} {yaw:8.1f}  {f}")
main = [r for r in rows if r[0][0] == "walk" and r[0][3].strip() == "--speed 1"]
if main:
    speeds = [r[1] for r in main]
    falls = sum(1 for r in main if r[4] is not None)
    drift = max(abs(r[3]) for r in main)
    print(f"straight walks: {len(main)}, speed while up {min(speeds):.3f} to {max(speeds):.3f} m/s "
          f"(mean {sum(speeds)/len(speeds):.3f}), falls {falls}, largest heading drift {drift:.1f} deg")
PY
