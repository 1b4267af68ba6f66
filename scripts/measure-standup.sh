#!/usr/bin/env bash
# The stand-up's figures on fieldsim's physics model, in lockstep: the robot
# is knocked onto its front or its back (fieldsim's scenario event) while it
# stands, and while it walks (it then lands somewhat askew), in play (play
# on from 1 s after the start), and gets up the way the agent does it: the
# behaviour runs, the fall detector is asked every cycle, and a stand-up is
# queued while it reports a fall (skillrun's gotopoint and goto behaviours). For each knock it prints the
# seconds from the moment the robot came to lie (torso tilted beyond 60
# degrees) to standing upright again (within 35 degrees, torso centre at
# least 0.25 m high) for good (at least STABLE seconds, default 1.5), and
# counts failures: not up within the run, or lying 15 s (the referee's
# limit). Then the slowest and the mean time, front and back apart.
#
#   scripts/measure-standup.sh [SKILLRUN OPTION...]   e.g. --design-params
#   OUT     where the trials go (default run/measure-standup)
#   JOBS    trials side by side (default 2)
#   STABLE  seconds upright that count as stood up (default 1.5)
#   BUILD   build folder (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${OUT:-run/measure-standup}
jobs=${JOBS:-2}
extra=("$@")
rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)

# behaviour|beam|knock time|side|behaviour arguments
trials=()
for side in front back; do
  for t in 2.0 2.7 3.4; do
    trials+=("gotopoint|-4 0 0|$t|$side|--target -4 0 --heading 0")
  done
  for t in 3.0 3.9 4.6; do
    trials+=("goto|-5 -2 0|$t|$side|--target -1 -2")
  done
done

run_one() {
  local i=$1 plan=$2
  IFS='|' read -r behaviour beam knock side args <<<"$plan"
  mkdir -p "$out/$i"
  printf '1.0 playmode PlayOn\n%s knock-over left 1 %s\n' "$knock" "$side" >"$out/$i/scenario"
  echo "$plan" >"$out/$i/plan"
  # shellcheck disable=SC2086
  scripts/trial.sh "$out/$i" --kickoff-after -1 --full-view --scenario "$out/$i/scenario" -- \
    "$behaviour" --beam $beam --seconds 20 $args "${extra[@]}" ||
    echo "trial $i failed: see $out/$i" >&2
}

i=0
for plan in "${trials[@]}"; do
  run_one "$i" "$plan" &
  i=$((i + 1))
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
done
wait

python3 - "$out" "${#trials[@]}" "${STABLE:-1.5}" <<'PY'
import json, os, sys
out, n, stable = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
LYING_LIMIT = 15.0
rows = []
for i in range(n):
    d = os.path.join(out, str(i))
    behaviour, beam, knock, side, args = open(os.path.join(d, "plan")).read().strip().split("|")
    knock = float(knock)
    recs = []
    try:
        for line in open(os.path.join(d, "truth.jsonl")):
            o = json.loads(line)
            if o["robots"]:
                recs.append((o["time"], o["robots"][0]["state"]))
    except (OSError, ValueError) as e:
        print(f"{i}: no truth log ({e})")
        continue
    lay = next((t for t, s in recs if t >= knock and s != "upright"), None)
    lay_side = next((s for t, s in recs if t >= knock and s != "upright"), "-")
    up = None
    falls = 0
    if lay is not None:
        prev = "upright"
        run_start = None
        for t, s in recs:
            if t < lay:
                continue
            if s == "upright":
                if run_start is None:
                    run_start = t
                if up is None and t - run_start >= stable:
                    up = run_start
            else:
                if prev == "upright" and up is not None:
                    falls += 1
                run_start = None
            prev = s
    end = recs[-1][0] if recs else 0
    rows.append((i, behaviour, knock, side, lay_side, lay, up, falls, end))

print(f"{'trial':>5} {'while':>9} {'knock':>6} {'side':>6} {'lay on':>6} {'lay s':>6} {'up after s':>10}  fell again")
by = {"front": [], "back": []}
failures = 0
for i, beh, knock, side, lay_side, lay, up, falls, end in rows:
    while_ = "standing" if beh == "gotopoint" else "walking"
    if lay is None:
        print(f"{i:>5} {while_:>9} {knock:6.1f} {side:>6}  did not fall")
        continue
    if up is None:
        failures += 1
        lying = end - lay
        why = "lay to the end" + (" (15 s: lifted off)" if lying >= LYING_LIMIT else "")
        print(f"{i:>5} {while_:>9} {knock:6.1f} {side:>6} {lay_side:>6} {lay:6.2f} {'FAILED':>10}  {why}")
        continue
    by[side].append(up - lay)
    print(f"{i:>5} {while_:>9} {knock:6.1f} {side:>6} {lay_side:>6} {lay:6.2f} {up - lay:10.2f}  {falls}")
for side, v in by.items():
    if v:
        print(f"knocked onto the {side}: {len(v)} up, {min(v):.2f} to {max(v):.2f} s "
              f"(mean {sum(v)/len(v):.2f}) from lying to standing")
print(f"failures: {failures} of {len(rows)}")
PY
