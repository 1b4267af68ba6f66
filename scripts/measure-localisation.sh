#!/usr/bin/env bash
# How well the players know where they stand: a short match of the
# development build `agent` (two teams) on fieldsim's physics model, in
# lockstep, with the real server's restricted view (120 degrees) and its
# vision noise (--noise). Every player's message trace (Msg.txt) goes
# through wmtrace, which prints what the player believed after each message;
# that is compared with fieldsim's truth log, message by message. Printed per
# team and in total: the position error (m), the yaw error (degrees) and the
# ball's position error (m, messages that saw the ball) as median, 90th
# percentile and worst; and the same again for messages where the robot
# was upright.
#
#   scripts/measure-localisation.sh [OUT_DIR]     (default run/measure-localisation)
#
#   BUILD           build folder with fieldsim, agent and wmtrace (default build/release)
#   DURATION        seconds of game time (default 30)
#   PLAYERS         players per team (default 3)
#   SEED            fieldsim's --seed (default 1)
#   FIELDSIM_ARGS   more fieldsim options
#   BEFORE_WMTRACE  a wmtrace built from an older tree: its beliefs over the
#                   same traces are printed as "before" beside this build's.
#                   The traces are the same, so the comparison is of the
#                   localisation alone (how the players moved is this
#                   build's doing either way).
#
# The first second of each player's trace is left out: it is the start-up
# and the beam, before anything was seen. wmtrace sees only what the server
# sent, not what the agent sent, so the agent's own beams are unknown to it
# (the agent itself takes the beamed pose at once; in wmtrace's rows the
# beam shows at the next look at the landmarks).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${BUILD:-$root/build/release}
case "$build" in /*) ;; *) build=$root/$build ;; esac

if [ "${1:-}" != "--in-own-net" ]; then
  out=${1:-$root/run/measure-localisation}
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
  for p in fieldsim agent wmtrace; do
    [ -x "$build/$p" ] || { echo "$build/$p is missing: scripts/build.sh release fieldsim agent wmtrace" >&2; exit 1; }
  done
  # Port 3100 is fixed: the match runs in a network namespace of its own
  # when the machine allows one.
  if unshare -rn true 2>/dev/null; then
    exec unshare -rn env BUILD="$build" "$0" --in-own-net "$out"
  fi
  exec env BUILD="$build" "$0" --in-own-net "$out"
fi
out=$2
ip link set lo up 2>/dev/null || true
duration=${DURATION:-30}
players=${PLAYERS:-3}
seed=${SEED:-1}
teams=(Bees Wasps)

rm -rf "${out:?}"/*
# shellcheck disable=SC2206
extra=(${FIELDSIM_ARGS:-})
"$build/fieldsim" --model physics --pace lockstep --duration "$duration" --kickoff-after 3 \
  --wait-for $((2 * players)) --wait-timeout 60 --noise --seed "$seed" \
  --truth "$out/truth.jsonl" "${extra[@]}" >"$out/fieldsim.log" 2>&1 &
sim=$!
agents=()
cleanup() {
  kill "$sim" 2>/dev/null || true
  for a in "${agents[@]}"; do kill "$a" 2>/dev/null || true; done
}
trap cleanup EXIT
for _ in $(seq 100); do
  grep -q "listening on" "$out/fieldsim.log" 2>/dev/null && break
  sleep 0.1
done
# The first team to join plays on the left.
for team in "${teams[@]}"; do
  for n in $(seq "$players"); do
    dir=$out/$team/p$n
    mkdir -p "$dir"
    (cd "$dir" && exec "$build/agent" --unum "$n" --teamname "$team" >out.txt 2>err.txt) &
    agents+=($!)
  done
  sleep 0.2
done
wait "$sim" || true
for a in "${agents[@]}"; do wait "$a" 2>/dev/null || true; done
trap - EXIT

for team in "${teams[@]}"; do
  side=$(grep -m 1 -o "\"team\":\"$team\",\"side\":\"[a-z]*\"" "$out/truth.jsonl" | head -n 1 |
         sed 's/.*"side":"//; s/"$//' || true)
  for n in $(seq "$players"); do
    dir=$out/$team/p$n
    [ -s "$dir/Msg.txt" ] || continue
    "$build/wmtrace" ${side:+--side "$side"} --unum "$n" --teamname "$team" "$dir/Msg.txt" \
      >"$dir/beliefs.csv" 2>/dev/null || true
    if [ -n "${BEFORE_WMTRACE:-}" ]; then
      "$BEFORE_WMTRACE" ${side:+--side "$side"} --unum "$n" --teamname "$team" "$dir/Msg.txt" \
        >"$dir/beliefs-before.csv" 2>/dev/null || true
    fi
  done
done

python3 - "$out" "$players" "${teams[@]}" <<'EOF'
import csv, json, math, os, sys

out, players, teams = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
SKIP = 1.0  # seconds of each trace left out: the start-up and the beam


def wrap(a):
    return (a + 180.0) % 360.0 - 180.0


truth = {}  # (team, unum) -> {ms: robot}
ball = {}   # ms -> (x, y)
with open(os.path.join(out, "truth.jsonl")) as f:
    for line in f:
        try:
            o = json.loads(line)
        except ValueError:
            continue
        ms = round(o["time"] * 1000)
        b = o.get("ball")
        if b:
            ball[ms] = (b["x"], b["y"])
        for r in o.get("robots", []):
            truth.setdefault((r["team"], r["unum"]), {})[ms] = r


def errors(path, team, unum):
    rows = truth.get((team, unum), {})
    pos, yaw, bal, pos_up, yaw_up = [], [], [], [], []
    if not os.path.exists(path):
        return None
    with open(path) as f:
        reader = csv.DictReader(f)
        first = None
        last_ball = None
        for row in reader:
            try:
                t = float(row["time"])
                x, y, h = float(row["x"]), float(row["y"]), float(row["yaw"])
                bx, by = float(row["ball_x"]), float(row["ball_y"])
            except (KeyError, ValueError):
                continue
            first = t if first is None else first
            ms = round(t * 1000)
            r = rows.get(ms)
            if r is None or t - first < SKIP:
                last_ball = (bx, by)
                continue
            s = 1.0 if r["side"] == "left" else -1.0
            # Our team's frame: mirrored for the right team; the agent's
            # yaw grows clockwise, the truth's counter-clockwise.
            e = math.hypot(x - s * r["x"], y - s * r["y"])
            own = r["yaw"] if s > 0 else r["yaw"] - 180.0
            a = abs(wrap(h + own))
            pos.append(e)
            yaw.append(a)
            if r.get("state") == "upright":
                pos_up.append(e)
                yaw_up.append(a)
            # The ball's belief changes only when the ball is seen: judge it
            # where it changed.
            if (bx, by) != last_ball and ms in ball:
                bal.append(math.hypot(bx - s * ball[ms][0], by - s * ball[ms][1]))
            last_ball = (bx, by)
    return pos, yaw, bal, pos_up, yaw_up


def figures(v):
    if not v:
        return "      -      -      -"
    v = sorted(v)
    med = v[len(v) // 2]
    p90 = v[min(len(v) - 1, int(math.ceil(0.9 * len(v))) - 1)]
    return f"{med:7.3f}{p90:7.2f}{v[-1]:7.2f}"


def report(label, name):
    total = [[], [], [], [], []]
    print(f"\n{label}")
    print(f"{'player':<12}{'n':>6}  {'position m (med p90 max)':<24}{'yaw deg (med p90 max)':<24}"
          f"{'ball m (med p90 max)':<24}")
    found = False
    for team in teams:
        for unum in range(1, players + 1):
            res = errors(os.path.join(out, team, f"p{unum}", name), team, unum)
            if res is None:
                continue
            found = True
            for acc, v in zip(total, res):
                acc.extend(v)
            print(f"{team + ' ' + str(unum):<12}{len(res[0]):>6}  {figures(res[0]):<24}"
                  f"{figures(res[1]):<24}{figures(res[2]):<24}")
    if not found:
        print("  (no beliefs)")
        return
    print(f"{'all':<12}{len(total[0]):>6}  {figures(total[0]):<24}{figures(total[1]):<24}"
          f"{figures(total[2]):<24}")
    print(f"{'upright':<12}{len(total[3]):>6}  {figures(total[3]):<24}{figures(total[4]):<24}")


print(f"localisation on fieldsim's physics model, restricted view, --noise; "
      f"{len(teams)} x {players} players; errors against the truth log per message")
if any(os.path.exists(os.path.join(out, t, f"p{u}", "beliefs-before.csv"))
       for t in teams for u in range(1, players + 1)):
    report("before (BEFORE_WMTRACE over the same traces)", "beliefs-before.csv")
report("after (this build)", "beliefs.csv")
EOF
