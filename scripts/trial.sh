#!/usr/bin/env bash
# One trial of one skill on fieldsim's physics model, in lockstep: starts
# fieldsim, runs skillrun against it and leaves in DIR fieldsim's truth log
# (truth.jsonl), its console (fieldsim.log) and skillrun's files. The agent
# side always connects to port 3100, so each trial runs in a network
# namespace of its own when `unshare` allows it; trials can then run side by
# side, and next to a match. The measuring scripts (scripts/measure-*.sh) are
# built on it.
#
#   scripts/trial.sh DIR [FIELDSIM OPTION...] -- SKILLRUN ARGUMENT...
#   e.g. scripts/trial.sh run/t1 --kickoff-after 1 -- turn --heading -90 --settle 1 --seconds 8
#
#   BUILD   build folder with fieldsim and skillrun (default build/release)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${BUILD:-$root/build/release}
case "$build" in /*) ;; *) build=$root/$build ;; esac

if [ "${1:-}" != "--in-own-net" ]; then
  [ $# -ge 2 ] || { echo "usage: scripts/trial.sh DIR [FIELDSIM OPTION...] -- SKILLRUN ARGUMENT..." >&2; exit 2; }
  if unshare -rn true 2>/dev/null; then
    exec unshare -rn env BUILD="$build" "$0" --in-own-net "$@"
  fi
  # No namespaces: one trial at a time on the machine's own port 3100.
  exec env BUILD="$build" "$0" --in-own-net "$@"
fi
shift
dir=$1
shift
fieldsim_args=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do fieldsim_args+=("$1"); shift; done
[ "${1:-}" = "--" ] && shift
ip link set lo up 2>/dev/null || true

mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
"$build/fieldsim" --pace lockstep --wait-for 1 --truth "$dir/truth.jsonl" "${fieldsim_args[@]}" \
  >"$dir/fieldsim.log" 2>&1 &
fieldsim=$!
trap 'kill $fieldsim 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  grep -q "listening on" "$dir/fieldsim.log" 2>/dev/null && break
  sleep 0.1
done
status=0
(cd "$dir" && "$build/skillrun" "$@" >skillrun.out 2>skillrun.err) || status=$?
kill "$fieldsim" 2>/dev/null || true
wait "$fieldsim" 2>/dev/null || true
trap - EXIT
exit "$status"
