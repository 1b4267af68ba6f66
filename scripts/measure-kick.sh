#!/usr/bin/env bash
# The forward kick from the standing posture on fieldsim's physics model.
#
#   scripts/measure-kick.sh [SKILLRUN OPTION...]        e.g. --design-params
#
# Ten tries, each a lockstep trial (scripts/trial.sh) of skillrun's `kick`
# after the robot has stood 2 s beside the ball. The tries vary as in play:
# both feet (the robot stands with the ball before its left or its right
# foot), the ball a few centimetres off the ideal spot (placed there after
# the kick-off, before the kick), and the kick made in the kick-off or, with
# the play mode set to PlayOn first, in play. Per try it prints the ball's
# travel, the angle between the ball's path and the robot's heading when the
# kick began, and whether the kicker was still upright 2 s after the kick had
# played out; then the totals against the target: the ball 3 m or more within
# 15 degrees of the heading, the kicker up 2 s after, in 8 tries of 10.
#
#   scripts/measure-kick.sh --tune PARAMS BUDGET [TUNER OPTION...]
#
# Tunes the kick with the tuner (CMA-ES) on this script's own episodes: the
# script serves the tuner's learning link (port 4100, in a network namespace
# of its own) and scores each vector over six tries of the left foot with the
# ball 2.5 cm nearer to 3.5 cm farther and 1.5 cm to either side (the right
# foot's kick is the mirror image, on the physics model to the last digit):
# the mean of the ball's travel along the heading (counted up to 3.6 m) less
# 0.1 m per degree off it, plus the worst try's, less 10 for every fall. The
# tuner's files (tuner.csv, tuner-best.params) land in OUT.
#
#   BUILD  build folder with fieldsim, skillrun and tuner (default build/release)
#   OUT    where the trials are kept (default run/measure-kick, run/tune-kick)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD:-build/release}
case "$build" in /*) ;; *) build=$root/$build ;; esac
for program in fieldsim skillrun; do
  [ -x "$build/$program" ] ||
    { echo "measure-kick: no $program in $build (scripts/build.sh release fieldsim skillrun)" >&2; exit 1; }
done

mode=measure
if [ "${1:-}" = "--tune" ]; then
  [ $# -ge 3 ] || { echo "usage: scripts/measure-kick.sh --tune PARAMS BUDGET [TUNER OPTION...]" >&2; exit 2; }
  mode=tune
  out=${OUT:-run/tune-kick}
else
  out=${OUT:-run/measure-kick}
fi
rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)

if [ "$mode" = tune ] && [ "${KICK_TUNE_IN_NET:-}" != 1 ]; then
  # The link's port is fixed: tuner and server get a network of their own.
  exec unshare -rn env KICK_TUNE_IN_NET=1 OUT="$out" BUILD="$build" "$0" "$@"
fi
[ "$mode" = tune ] && ip link set lo up

exec python3 - "$mode" "$root" "$build" "$out" "$@" <<'EOF'
import json, math, os, socket, subprocess, sys
from concurrent.futures import ThreadPoolExecutor

mode, root, build, out = sys.argv[1:5]
args = sys.argv[5:]
SETTLE = 2.0
SECONDS = 9.0
# The ball's centre before the torso centre and beside it, at the ideal spot.
AHEAD, SIDE = 0.20, 0.055


def run_try(name, foot, dx, dy, mode_word, skillrun_options):
    """One trial; the robot is beamed beside the ball on the centre spot,
    which is then moved by (dx, dy) after the kick-off."""
    d = os.path.join(out, name)
    os.makedirs(d, exist_ok=True)
    by = SIDE if foot == "right" else -SIDE
    with open(os.path.join(d, "scenario.txt"), "w") as f:
        f.write("1.5 place-ball %g %g\n" % (dx, dy))
        if mode_word == "playon":
            f.write("1.6 playmode PlayOn\n")
    cmd = [os.path.join(root, "scripts/trial.sh"), d, "--kickoff-after", "1", "--scenario",
           os.path.join(d, "scenario.txt"), "--", "kick", "--beam", str(-AHEAD), str(by), "0",
           "--settle", str(SETTLE), "--seconds", str(SECONDS)] + skillrun_options
    with open(os.path.join(d, "skillrun.args"), "w") as f:
        f.write(" ".join(cmd[cmd.index("--") + 1:]) + "\n")
    env = dict(os.environ, BUILD=build)
    status = subprocess.run(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    if status != 0:
        print("measure-kick: %s: skillrun ended with status %d (see %s)" % (name, status, d), file=sys.stderr)
    return measure(os.path.join(d, "truth.jsonl"))


def measure(path):
    rows = []
    try:
        with open(path) as f:
            for line in f:
                try:
                    r = json.loads(line)
                except ValueError:
                    continue  # a line cut off when fieldsim was stopped
                if r.get("robots"):
                    rows.append(r)
    except OSError:
        return None
    # The kick starts with the first cycle after the settling.
    start = next((i for i, r in enumerate(rows) if r["time"] >= SETTLE + 0.02), None)
    if start is None:
        return None
    r0 = rows[start]
    heading = r0["robots"][0]["yaw"]
    b0 = (r0["ball"]["x"], r0["ball"]["y"])
    # A finished kick commands nothing: the kick is over with the first cycle
    # whose commands are empty.
    end = next((i for i in range(start + 1, len(rows)) if not rows[i]["robots"][0]["commands"]), None)
    kick_over = rows[end]["time"] if end is not None else None
    fell = next((r["time"] for r in rows[start:] if r["robots"][0]["state"] != "upright"), None)
    after = None
    if kick_over is not None:
        later = [r for r in rows if r["time"] >= kick_over + 2.0 - 1e-9]
        if later:
            after = later[0]["robots"][0]["state"] == "upright"
    last = rows[-1]
    dx, dy = last["ball"]["x"] - b0[0], last["ball"]["y"] - b0[1]
    travel = math.hypot(dx, dy)
    err = 0.0
    if travel > 0.05:
        err = (math.degrees(math.atan2(dy, dx)) - heading + 180.0) % 360.0 - 180.0
    along = dx * math.cos(math.radians(heading)) + dy * math.sin(math.radians(heading))
    return dict(travel=travel, along=along, err=err, kick_over=kick_over, fell=fell, after=after,
                rolling=math.hypot(last["ball"]["vx"], last["ball"]["vy"]))


def measure_mode():
    tries = [  # foot, ball dx, ball dy (metres; dx toward the opponent goal, dy to the left), mode
        ("left", 0, 0, "kickoff"), ("right", 0, 0, "kickoff"),
        ("left", 0.02, 0, "kickoff"), ("right", -0.02, 0, "kickoff"),
        ("left", 0, 0.015, "playon"), ("right", 0, 0.015, "playon"),
        ("left", -0.015, -0.015, "kickoff"), ("right", 0.015, -0.015, "kickoff"),
        ("left", 0.025, 0.01, "playon"), ("right", -0.01, -0.01, "playon"),
    ]
    # Two trials side by side at most: the machine is shared.
    with ThreadPoolExecutor(2) as pool:
        results = list(pool.map(lambda t: run_try("try%d" % (t[0] + 1), *t[1], args), enumerate(tries)))
    print("%-6s %-6s %-22s %8s %9s %13s  %s" % ("try", "foot", "ball offset, mode", "travel", "dir err",
                                              "up 2 s after", "fell"))
    good = 0
    for i, ((foot, dx, dy, mode_word), m) in enumerate(zip(tries, results)):
        name = "try%d" % (i + 1)
        where = "%+.3f %+.3f, %s" % (dx, dy, mode_word)
        if m is None:
            print("%-6s %-6s %-22s no truth log" % (name, foot, where))
            continue
        ok = m["travel"] >= 3.0 and abs(m["err"]) <= 15.0 and m["after"] is True
        good += ok
        print("%-6s %-6s %-22s %6.2f m %7.1f d %13s  %s%s" % (
            name, foot, where, m["travel"], m["err"],
            {True: "yes", False: "no", None: "not seen"}[m["after"]],
            "at %.2f s" % m["fell"] if m["fell"] is not None else "no",
            "  (ball still rolling, %.2f m/s)" % m["rolling"] if m["rolling"] > 0.05 else ""))
    print("target met (ball >= 3 m within 15 degrees, kicker up 2 s after) in %d of %d tries (target: 8 of 10)"
          % (good, len(tries)))


def read_names(path):
    names = []
    with open(path) as f:
        for line in f:
            words = line.split()
            if words and not words[0].startswith("#"):
                names.append(words[0])
    return names


def tune_mode():
    params, budget = args[1], args[2]
    names = read_names(params)
    tuning = [(-0.025, 0), (-0.01, 0.015), (0, 0), (0.01, -0.015), (0.02, 0), (0.035, 0)]
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 4100))
    listener.listen(1)
    tuner = subprocess.Popen([os.path.join(build, "tuner"), os.path.abspath(params), "--budget", budget,
                              "--csv", os.path.join(out, "tuner.csv"),
                              "--best", os.path.join(out, "tuner-best.params")] + args[3:], cwd=out)
    listener.settimeout(120)
    link, _ = listener.accept()
    link.settimeout(None)
    episode = 0
    pending = b""
    while True:
        while b"\n" not in pending:
            chunk = link.recv(4096)
            if not chunk:
                link.close()
                sys.exit(tuner.wait())
            pending += chunk
        line, pending = pending.split(b"\n", 1)
        values = line.split()
        episode += 1
        d = os.path.join(out, "episode")
        os.makedirs(os.path.join(d, "params"), exist_ok=True)
        with open(os.path.join(d, "params", "kick.params"), "w") as f:
            for name, value in zip(names, values):
                f.write("%s %s\n" % (name, value.decode()))
        options = ["--params", os.path.join(d, "params")]
        with ThreadPoolExecutor(2) as pool:
            results = list(pool.map(lambda t: run_try("episode/t%d" % t[0], "left", t[1][0], t[1][1],
                                                      "kickoff", options), enumerate(tuning)))
        scores, falls = [], 0
        for m in results:
            if m is None:
                scores.append(0.0)
                falls += 1
                continue
            scores.append(min(m["along"], 3.6) - 0.1 * abs(m["err"]))
            if m["fell"] is not None or m["after"] is not True:
                falls += 1
        fitness = sum(scores) / len(scores) + min(scores) - 10.0 * falls
        print("episode %d: %s, %d down: %.4f" % (episode, " ".join("%.2f" % s for s in scores), falls,
                                                fitness), flush=True)
        link.sendall(("%g\n" % -fitness).encode())


measure_mode() if mode == "measure" else tune_mode()
EOF
