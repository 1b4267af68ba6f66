#!/usr/bin/env bash
# The competition attacker's approach to the ball and its kick, on fieldsim's
# physics model in lockstep, judged from the truth log.
#
#   scripts/measure-approach.sh [MATCHAGENT OPTION...]     e.g. --design-params
#
# One robot (matchagent, number 2, an attacker) beams to its kick-off spot
# (-3.5, -1.5), facing the opponent goal (the scenario puts it there); at 1 s the scenario puts the ball
# somewhere around it and sets the play mode to PlayOn. Eight starts: the
# ball ahead, ahead to either side, abeam, behind, far, and on the line to
# the goal with a second robot standing near it. Each runs 25 s with the real
# server's vision and beam noise. Per start it prints the time from the ball
# being placed to the robot's first touch, the falls, where the ball lay
# relative to the robot's torso 1.2 s before that touch (the kick starts
# about then: it looks at the ball and shifts its weight first) and whether
# that is inside the kick's window (0.18 to 0.23 m ahead, 0.02 to 0.08 m to
# the side, with 1 cm of slack each way), how far the kick sent the ball and
# how far its path points off the goal's middle. Then the totals.
#
#   BUILD  build folder with fieldsim and matchagent (default build/release)
#   OUT    where the runs are kept (default run/measure-approach)
#   SEEDS  noise seeds per start (default 1)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD:-build/release}
case "$build" in /*) ;; *) build=$root/$build ;; esac
for program in fieldsim matchagent; do
  [ -x "$build/$program" ] ||
    { echo "measure-approach: no $program in $build (scripts/build.sh release fieldsim matchagent)" >&2; exit 1; }
done
out=${OUT:-run/measure-approach}

if [ "${APPROACH_IN_NET:-}" != 1 ]; then
  # The agent's port is fixed: the runs get a network of their own.
  rm -rf "$out"
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
  if unshare -rn true 2>/dev/null; then
    exec unshare -rn env APPROACH_IN_NET=1 OUT="$out" BUILD="$build" "$0" "$@"
  fi
  echo "measure-approach: no network namespace; using this machine's port 3100" >&2
  export APPROACH_IN_NET=1 OUT="$out" BUILD="$build"
fi
ip link set lo up 2>/dev/null || true

exec python3 - "$root" "$build" "$out" "${SEEDS:-1}" "$@" <<'EOF'
import json, math, os, subprocess, sys, time

root, build, out, seeds = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
agent_options = sys.argv[5:]

HOME = (-3.5, -1.5)
GOAL = (6.0, 0.0)
# name, ball x, y, and optionally a second robot (right team's number 2) at x, y
STARTS = [
    ("ahead 1.5 m",        -2.0, -1.5, None),
    ("ahead left",         -2.5, -0.7, None),
    ("ahead right",        -2.4, -2.4, None),
    ("abeam left",         -3.4, -0.4, None),
    ("behind",             -4.4, -1.7, None),
    ("far, 3 m",           -0.6, -0.5, None),
    ("robot beside ball",  -2.2, -1.2, (-1.9, -1.0)),
    ("robot on the way",   -1.8, -1.4, (-2.6, -1.45)),
]
RUN_SECONDS = 25.0
PLACE_AT = 1.0
WINDOW_X = (0.17, 0.24)
WINDOW_Y = (0.01, 0.09)


def run(name, bx, by, other, seed):
    d = os.path.join(out, "%s-seed%d" % (name.replace(" ", "-").replace(",", ""), seed))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "scenario.txt"), "w") as f:
        # The robot is put on its spot too: its own beam may come after the
        # scenario's play mode, which ends the beaming.
        f.write("%.2f place-robot left 2 %.3f %.3f 0\n" % (PLACE_AT - 0.3, HOME[0], HOME[1]))
        f.write("%.2f place-ball %.3f %.3f\n" % (PLACE_AT, bx, by))
        if other:
            # A robot standing in the way (it holds still: beamed, then placed).
            f.write("%.2f place-robot right 2 %.3f %.3f 180\n" % (PLACE_AT - 0.5, other[0], other[1]))
        f.write("%.2f playmode PlayOn\n" % PLACE_AT)
    robots = 2 if other else 1
    fs = subprocess.Popen([os.path.join(build, "fieldsim"), "--pace", "lockstep", "--wait-for", str(robots),
                           "--noise", "--seed", str(seed), "--kickoff-after", "-1",
                           "--scenario", os.path.join(d, "scenario.txt"), "--duration", str(RUN_SECONDS),
                           "--truth", os.path.join(d, "truth.jsonl")],
                          stdout=open(os.path.join(d, "fieldsim.log"), "w"), stderr=subprocess.STDOUT)
    for _ in range(100):
        with open(os.path.join(d, "fieldsim.log")) as f:
            if "listening on" in f.read():
                break
        time.sleep(0.1)
    players = []
    p = subprocess.Popen([os.path.join(build, "matchagent"), "--unum", "2", "--teamname", "Us"] + agent_options,
                         cwd=d, stdout=open(os.path.join(d, "agent.out"), "w"), stderr=open(os.path.join(d, "agent.err"), "w"))
    players.append(p)
    if other:
        time.sleep(0.5)
        # The other robot is a skillrun that only stands.
        q = subprocess.Popen([os.path.join(build, "skillrun"), "stand", "--unum", "2", "--teamname", "Them",
                              "--beam", "-3", "0", "0", "--seconds", str(RUN_SECONDS + 5)],
                             cwd=d, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        players.append(q)
    try:
        fs.wait(timeout=600)
    except subprocess.TimeoutExpired:
        fs.kill()
    for q in players:
        try:
            q.wait(timeout=10)
        except subprocess.TimeoutExpired:
            q.kill()
    return judge(os.path.join(d, "truth.jsonl"))


def judge(path):
    rows = []
    with open(path) as f:
        for line in f:
            try:
                rows.append(json.loads(line))
            except ValueError:
                pass
    me = lambda row: next((r for r in row["robots"] if r["side"] == "left" and r["unum"] == 2), None)
    falls, prev, touch, touch_i = 0, None, None, None
    for i, row in enumerate(rows):
        if row["time"] < PLACE_AT:
            continue
        r = me(row)
        if r is None:
            continue
        if prev == "upright" and r["state"] != "upright":
            falls += 1
        prev = r["state"]
        if touch is None and any(t["side"] == "left" and t["unum"] == 2 for t in row.get("touches", [])):
            touch, touch_i = row["time"], i
    res = {"falls": falls, "touch": None}
    if touch is None:
        return res
    res["touch"] = touch - PLACE_AT
    # Where the ball lay in the robot's frame as the kick began.
    j = touch_i
    while j > 0 and rows[j]["time"] > touch - 1.2:
        j -= 1
    r, b = me(rows[j]), rows[j]["ball"]
    yaw = math.radians(r["yaw"])
    dx, dy = b["x"] - r["x"], b["y"] - r["y"]
    fx = dx * math.cos(yaw) + dy * math.sin(yaw)
    fy = -dx * math.sin(yaw) + dy * math.cos(yaw)
    res["ahead"], res["side"] = fx, fy
    res["window"] = WINDOW_X[0] <= fx <= WINDOW_X[1] and WINDOW_Y[0] <= abs(fy) <= WINDOW_Y[1]
    # Where the kick sent the ball: from its place at the touch to where it
    # lay 3 s later (or at the end).
    b0 = rows[touch_i - 1]["ball"] if touch_i > 0 else rows[touch_i]["ball"]
    k = touch_i
    while k + 1 < len(rows) and rows[k]["time"] < touch + 3.0:
        k += 1
    b1 = rows[k]["ball"]
    travel = math.hypot(b1["x"] - b0["x"], b1["y"] - b0["y"])
    res["travel"] = travel
    if travel > 0.1:
        path = math.atan2(b1["y"] - b0["y"], b1["x"] - b0["x"])
        to_goal = math.atan2(GOAL[1] - b0["y"], GOAL[0] - b0["x"])
        res["off_goal"] = math.degrees((path - to_goal + math.pi) % (2 * math.pi) - math.pi)
    return res


results = []
print("%-20s %4s %8s %5s %7s %7s %6s %7s %8s" % ("start", "seed", "kick s", "falls", "ahead", "side", "window", "ball m", "off goal"))
for name, bx, by, other in STARTS:
    for seed in range(1, seeds + 1):
        r = run(name, bx, by, other, seed)
        results.append(r)
        if r["touch"] is None:
            print("%-20s %4d %8s %5d %7s %7s %6s %7s %8s" % (name, seed, "-", r["falls"], "-", "-", "-", "-", "-"))
        else:
            print("%-20s %4d %8.1f %5d %7.3f %7.3f %6s %7.2f %8s" % (
                name, seed, r["touch"], r["falls"], r["ahead"], r["side"], "yes" if r["window"] else "no",
                r["travel"], ("%.0f" % r["off_goal"]) if "off_goal" in r else "-"))
        sys.stdout.flush()

kicked = [r for r in results if r["touch"] is not None]
n = len(results)
print()
print("touched the ball in %d of %d starts; time to the touch: mean %.1f s, longest %.1f s" % (
    len(kicked), n, sum(r["touch"] for r in kicked) / max(1, len(kicked)), max([r["touch"] for r in kicked] or [0])))
print("falls: %d in %d starts" % (sum(r["falls"] for r in results), n))
print("ball in the kick's window as the kick began: %d of %d touches" % (sum(1 for r in kicked if r["window"]), len(kicked)))
aimed = [r for r in kicked if abs(r.get("off_goal", 180)) <= 15]
print("ball sent within 15 degrees of the goal's middle: %d of %d touches; ball travel in 3 s: mean %.2f m" % (
    len(aimed), len(kicked), sum(r["travel"] for r in kicked) / max(1, len(kicked))))
EOF
