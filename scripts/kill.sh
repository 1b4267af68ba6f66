#!/usr/bin/env bash
# Stops the players of a team started by start.sh, by their recorded PIDs
# only (never by program name, so other teams on the machine keep playing).
#   kill.sh [TEAM]     (default Pitchbot)
set -euo pipefail
team=${1:-Pitchbot}
pids=$PWD/team/$team/pids
[ -f "$pids" ] || { echo "no $pids: nothing to stop" >&2; exit 1; }
while read -r pid; do
  [ -n "$pid" ] || continue
  if kill "$pid" 2>/dev/null; then echo "stopped $pid"; else echo "$pid had already ended"; fi
done < "$pids"
rm -f "$pids"
