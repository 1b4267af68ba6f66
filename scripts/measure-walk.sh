#!/usr/bin/env bash
# The walk's figures on fieldsim's physics model, in lockstep, in play (play
# on from 1 s after the start, so no kick-off rule moves a robot that
# reaches the centre line):
#
# - twelve ten-second walks at full requested speed from the starts the
#   real server was recorded with (beamed to (-4,0,0), (-5,2,0), (-5,-2,0),
#   (-4,1,30), (-4,-1,-30) and (-3,0,0), each once right after the beam and
#   once after standing 2 s). For each: the speed along the starting heading
#   while the robot was up, the sideways drift, the heading drift (mean over
#   its last second up) and whether (and when) it fell; then the slowest and
#   fastest speed, the falls and the largest heading drift;
# - unless QUICK=1, also 21 walks of 16 s from three beams, started 0.1 to
#   1.5 s after the beam (while the robot still settles from the beam's
#   drop, where the real server's walk fell in half the starts), and twelve
#   steering walks of 12 s (--turn 5, 10, 14 each way, started 0.3 s and 2 s
#   after the beam): how many fell, and how far the steering walks turned.
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

# group|beam|settle|seconds|walk arguments
starts=("-4 0 0" "-5 2 0" "-5 -2 0" "-4 1 30" "-4 -1 -30" "-3 0 0")
trials=()
for settle in 0 2; do
  for s in "${starts[@]}"; do
    trials+=("twelve|$s|$settle|10|--speed 1")
  done
done
if [ "${QUICK:-0}" != 1 ]; then
  for settle in 0.1 0.3 0.4 0.5 0.7 1.0 1.5; do
    for beam in "-5.5 -3 0" "-5.5 3 0" "-5 0 45"; do
      trials+=("drop|$beam|$settle|16|--speed 1")
    done
  done
  for turn in 10 -10 5 -5 14 -14; do
    for settle in 0.3 2; do
      trials+=("steer|-5 -3 90|$settle|12|--speed 1 --turn $turn")
    done
  done
fi

run_one() {
  local i=$1 plan=$2
  IFS='|' read -r group beam settle seconds args <<<"$plan"
  mkdir -p "$out/$i"
  echo "1.0 playmode PlayOn" >"$out/$i/scenario"
  # shellcheck disable=SC2086
  scripts/trial.sh "$out/$i" --kickoff-after -1 --scenario "$out/$i/scenario" -- \
    walk --beam $beam --settle "$settle" --seconds "$seconds" $args "${extra[@]}" ||
    echo "trial $i failed: see $out/$i" >&2
  echo "$plan" >"$out/$i/plan"
}

i=0
for plan in "${trials[@]}"; do
  run_one "$i" "$plan" &
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
    plan = open(os.path.join(d, "plan")).read().strip().split("|")
    settle = float(plan[2])
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
    bx, by = (float(v) for v in plan[1].split()[:2])
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
    rows.append((plan, along / dt, across, yaw, fell_at, dt))

def show(title, group):
    print(title)
    print(f"{'start (beam x y rot)':24} {'settle':>6} {'args':>24} {'m/s':>6} {'side m':>7} "
          f"{'yaw deg':>8}  fell")
    for plan, v, across, yaw, fell, dt in group:
        f = "-" if fell is None else f"after {fell:.1f} s"
        print(f"{plan[1]:24} {plan[2]:>6} {plan[4]:>24} {v:6.3f} {across:7.2f} {yaw:8.1f}  {f}")

twelve = [r for r in rows if r[0][0] == "twelve"]
drop = [r for r in rows if r[0][0] == "drop"]
steer = [r for r in rows if r[0][0] == "steer"]
show("The twelve starts, 10 s each:", twelve)
if drop:
    show("Started while settling from the beam's drop, 16 s each:", drop)
if steer:
    show("Steering (yaw: counter-clockwise positive; --turn > 0 asks for clockwise), 12 s each:",
         steer)
if twelve:
    speeds = [r[1] for r in twelve]
    falls = sum(1 for r in twelve if r[4] is not None)
    drift = max(abs(r[3]) for r in twelve)
    print(f"twelve starts: speed while up {min(speeds):.3f} to {max(speeds):.3f} m/s "
          f"(mean {sum(speeds)/len(speeds):.3f}), falls {falls}, largest heading drift "
          f"{drift:.1f} deg, largest sideways drift {max(abs(r[2]) for r in twelve):.2f} m")
if drop:
    print(f"started from the drop: {sum(1 for r in drop if r[4] is not None)} of {len(drop)} fell")
if steer:
    wrong = sum(1 for r in steer if r[4] is None and
                (r[3] > 0) == (float(r[0][4].split()[-1]) > 0))
    print(f"steering: {sum(1 for r in steer if r[4] is not None)} of {len(steer)} fell; "
          f"of those up, {wrong} turned the wrong way")
PY
