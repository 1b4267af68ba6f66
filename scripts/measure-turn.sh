#!/usr/bin/env bash
# Figures of the turn on fieldsim's physics model, judged from fieldsim's
# ground truth (not from what the robot believes): the turn on the spot to
# -150, -90, -45, 45, 90 and 150 degrees, once from a settled stance (1 s of
# standing first) and once right after the beam, and the turn as the
# behaviours run it (gotopoint on the spot where the robot stands, which
# hands the turn a new target every cycle). Per trial it prints the final
# heading error, the time from the start of the turn until the heading stays
# within 10 degrees, whether the robot stayed upright throughout, whether it
# ends at rest in the standing posture, and how often the turning reversed;
# then totals.
#
#   scripts/measure-turn.sh [OUT_DIR]          (default run/measure-turn)
#
#   BUILD    build folder with fieldsim and skillrun (default build/release)
#   PARAMS   --params DIR for skillrun, or "design" for --design-params
#            (default: the params folder the build put beside skillrun)
#   VIEW     full (default) or restricted. With the restricted view the
#            world model's yaw at the start is off by tens of degrees (it
#            places itself by flags it cannot see from its own half), so the
#            turn starts from a wrong heading; the "turned" column then still
#            says how well it turned by what it was asked.
#   TRIAL_SECONDS  length of each trial (default 10)
#   JOBS     trials run side by side (default 2)
#   BEAM     "X Y R": where the robot is beamed (default "-2 0 0": facing the
#            opponent goal, well inside its own half, where the referee
#            leaves it alone); the targets are turns from the beam's heading
#   FIELDSIM_ARGS  more fieldsim options, e.g. "--noise --seed 3"
#
# Headings are the agent's (clockwise, 0 toward the opponent goal; -90 is a
# quarter turn to the left); the turns asked are -150 ... 150 from the
# heading the robot is beamed to.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${1:-$root/run/measure-turn}
seconds=${TRIAL_SECONDS:-10}
view=${VIEW:-full}
jobs=${JOBS:-2}
export BUILD=${BUILD:-$root/build/release}

extra=()
case "${PARAMS:-}" in
  "") ;;
  design) extra=(--design-params) ;;
  *) extra=(--params "$PARAMS") ;;
esac
fieldsim_args=()
[ "$view" = full ] && fieldsim_args+=(--full-view)
# shellcheck disable=SC2206
fieldsim_args+=(${FIELDSIM_ARGS:-})
read -r beam_x beam_y beam_r <<<"${BEAM:--2 0 0}"
# A turn of $1 degrees from the beam's heading, as the agent's heading.
heading_for() { python3 -c "print(round(((-$beam_r + $1) + 180) % 360 - 180, 6))"; }

mkdir -p "$out"
trials=()
for start in settled beam; do
  for h in -150 -90 -45 45 90 150; do trials+=("$start:turn:$h"); done
done
for h in -150 -90 90 150; do trials+=("settled:gotopoint:$h"); done

run_trial() {
  local start kind h dir settle
  IFS=: read -r start kind h <<<"$1"
  dir="$out/$kind-$start-$h"
  settle=()
  [ "$start" = settled ] && settle=(--settle 1)
  local args=("$kind" --heading "$(heading_for "$h")" --beam "$beam_x" "$beam_y" "$beam_r"
              --seconds "$seconds" "${settle[@]}" "${extra[@]}")
  [ "$kind" = gotopoint ] && args+=(--target "$beam_x" "$beam_y")
  rm -rf "$dir"
  "$here/trial.sh" "$dir" "${fieldsim_args[@]}" -- "${args[@]}" || echo "trial $1 failed: see $dir" >&2
}

running=0
for t in "${trials[@]}"; do
  run_trial "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

python3 - "$out" "$view" "$beam_r" "${trials[@]}" <<'EOF'
import json, math, os, sys

out, view, beam_r, trials = sys.argv[1], sys.argv[2], float(sys.argv[3]), sys.argv[4:]
WITHIN = 10.0          # degrees: the figure the turn is judged by
STANDING = {"lj1": 0, "lj2": 0, "lj3": 11, "lj4": -29, "lj5": 18, "lj6": 0}


def wrap(a):
    return (a + 180.0) % 360.0 - 180.0


def load(d):
    rows = []
    with open(os.path.join(d, "truth.jsonl")) as f:
        for line in f:
            try:
                o = json.loads(line)
            except ValueError:
                continue
            if o.get("robots"):
                rows.append((o["time"], o["robots"][0]))
    return rows


def start_time(d):
    with open(os.path.join(d, "skillrun.csv")) as f:
        f.readline()
        return float(f.readline().split(",")[0])


def believed_start(d):
    # The turn's first line: the heading it starts from, as it believes.
    with open(os.path.join(d, "skillrun.out")) as f:
        for line in f:
            if line.startswith("turn: heading ") and "nan" not in line.split()[2]:
                return float(line.split()[2])
    return None


print(f"turn on fieldsim's physics model, {view} view; turns from the beam's heading, "
      "clockwise; error = truth - target")
print(f"{'trial':<26}{'error':>8}{'turned':>8}{'settle s':>10}{'upright':>9}{'at rest':>9}{'reversals':>11}")
n = ok = up = within = 0
worst = 0.0
settle_times = []
for t in trials:
    start, kind, h = t.split(":")
    d = os.path.join(out, f"{kind}-{start}-{h}")
    name = f"{kind} {h:>4} {start}"
    try:
        rows = load(d)
        # The turn starts after the settling, or with the first cycle; the
        # beam shows in the truth two cycles after that.
        t0 = start_time(d) + (1.0 if start == "settled" else 0.04)
    except (OSError, ValueError, IndexError):
        print(f"{name:<26}  no trial")
        n += 1
        continue
    n += 1
    target = wrap(-beam_r + float(h))
    run = [(tm, r) for tm, r in rows if tm >= t0 - 1e-6]
    if not run:
        print(f"{name:<26}  no cycles")
        continue
    yaw0 = -run[0][1]["yaw"]          # the agent's frame: clockwise
    upright = all(r["state"] == "upright" for _, r in rows)
    errs = [(tm, wrap(-r["yaw"] - target)) for tm, r in run]
    final = errs[-1][1]
    believed = believed_start(d)
    if kind == "turn" and believed is not None:
        asked = wrap(target - believed)
        turned = wrap(wrap(-run[-1][1]["yaw"] - yaw0) - asked)
        turned_s = f"{turned:8.1f}"
    else:
        turned_s = f"{'-':>8}"
    settle = None
    for tm, e in reversed(errs):
        if abs(e) > WITHIN:
            break
        settle = tm - t0
    last = [r for tm, r in run if tm >= run[-1][0] - 1.0]
    yaw_move = max(abs(wrap(r["yaw"] - last[-1]["yaw"])) for r in last)
    pose = max(abs(last[-1]["joints"][side + k] - v) for side in ("r", "l") for k, v in STANDING.items())
    rest = yaw_move < 0.5 and pose < 3.0
    # Reversals: sign changes of the truth yaw's movement over 0.2 s steps
    # while it moves.
    rev, sign = 0, 0
    for i in range(10, len(run), 10):
        dy = wrap(-run[i][1]["yaw"] + run[i - 10][1]["yaw"])
        if abs(dy) < 1.0:
            continue
        s = 1 if dy > 0 else -1
        if sign and s != sign:
            rev += 1
        sign = s
    settle_s = f"{settle:10.2f}" if settle is not None else f"{'never':>10}"
    print(f"{name:<26}{final:8.1f}{turned_s}{settle_s}{('yes' if upright else 'FELL'):>9}"
          f"{('yes' if rest else 'no'):>9}{rev:>11}")
    up += upright
    if upright and abs(final) <= WITHIN:
        within += 1
        settle_times.append(settle)
    worst = max(worst, abs(final))
print(f"totals: {within}/{n} within {WITHIN:.0f} degrees and upright, {up}/{n} upright, "
      f"largest final error {worst:.1f} degrees"
      + (f", mean time to settle {sum(settle_times) / len(settle_times):.2f} s" if settle_times else ""))
EOF
