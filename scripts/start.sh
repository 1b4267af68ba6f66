#!/usr/bin/env bash
# Starts a team: N players of PROGRAM against a server at HOST, uniform
# numbers 1..N, each in its own working directory team/TEAM/pK with its
# output and logs; the PIDs are recorded in team/TEAM/pids for kill.sh.
#   start.sh HOST [TEAM] [N] [PROGRAM]     (defaults: Pitchbot 3 matchagent)
set -euo pipefail
if [ $# -lt 1 ] || [ "$1" = "--help" ] || [ "$1" = "-h" ]; then
  echo "usage: $0 HOST [TEAM] [N] [PROGRAM]   (PROGRAM: agent or matchagent)"
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
host=$1
team=${2:-Pitchbot}
count=${3:-3}
program=${4:-matchagent}
bin=$root/build/release/$program
[ -x "$bin" ] || { echo "$bin is missing: build first (./scripts/run.sh or cmake)" >&2; exit 1; }
case "$count" in ''|*[!0-9]*) echo "N must be a number" >&2; exit 2 ;; esac
[ "$count" -ge 1 ] && [ "$count" -le 11 ] || { echo "N must be 1 to 11" >&2; exit 2; }
case "$team" in *[!A-Za-z0-9_-]*) echo "TEAM: letters, digits, - and _ only" >&2; exit 2 ;; esac

dir=$PWD/team/$team
mkdir -p "$dir"
if [ -s "$dir/pids" ]; then
  echo "$dir/pids exists: stop that team first with scripts/kill.sh $team" >&2
  exit 1
fi
# The players refuse host names shorter than 8 characters.
[ ${#host} -ge 8 ] || { echo "HOST must be at least 8 characters (the players' rule); use a name" >&2; exit 2; }
for n in $(seq 1 "$count"); do
  mkdir -p "$dir/p$n/log"
  (cd "$dir/p$n" && exec "$bin" --host "$host" --unum "$n" --teamname "$team" >out.txt 2>err.txt) &
  echo "$!" >> "$dir/pids"
  echo "player $n: pid $!, directory $dir/p$n"
  sleep 0.2
done
