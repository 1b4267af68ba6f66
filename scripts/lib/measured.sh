# Sourced by the scripts that play a match and measure its processes
# (measure.sh, soak.sh). Every process runs under GNU time, which reports its
# CPU time, wall time and peak resident memory when it exits; a small shell
# in between writes the process's own id first, so that it can be watched
# (and stopped) while it runs.
#
#   MEASURE_DIR   where the .time and .pid files go (set before use)

measured_pids=()

# start_measured NAME WORKDIR PROGRAM ARGS...   (in the background; output
# to WORKDIR/out.txt and WORKDIR/err.txt)
start_measured() {
  local name=$1 dir=$2
  shift 2
  mkdir -p "$dir"
  (cd "$dir" && exec /usr/bin/time -f "%U %S %e %M" -o "$MEASURE_DIR/$name.time" \
    sh -c 'echo $$ > "$0"; exec "$@"' "$MEASURE_DIR/$name.pid" "$@" >out.txt 2>err.txt) &
  measured_pids+=("$!")
}

# The id of the measured program NAME itself (empty until it has started).
measured_pid() { cat "$MEASURE_DIR/$1.pid" 2>/dev/null || true; }

# Stops every measured program that still runs (by its own id).
stop_measured() {
  local f pid
  for f in "$MEASURE_DIR"/*.pid; do
    [ -e "$f" ] || continue
    pid=$(cat "$f")
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  done
}

# Waits for every measured program to end.
wait_measured() {
  local p
  for p in "${measured_pids[@]}"; do wait "$p" || true; done
}

# One line per NAME: CPU seconds, wall seconds, CPU as a share of one core,
# peak resident memory.
report_measured() {
  local name user sys wall rss
  printf '%-22s %9s %9s %10s %11s\n' process "cpu s" "wall s" "% of core" "peak RSS"
  for name in "$@"; do
    if ! read -r user sys wall rss < <(tail -n 1 "$MEASURE_DIR/$name.time" 2>/dev/null); then
      printf '%-22s (no figures: it did not end normally)\n' "$name"
      continue
    fi
    awk -v n="$name" -v u="$user" -v s="$sys" -v w="$wall" -v r="$rss" 'BEGIN {
      cpu = u + s
      share = w > 0 ? 100 * cpu / w : 0
      printf "%-22s %9.2f %9.1f %9.2f%% %8.1f MB\n", n, cpu, w, share, r / 1024
    }'
  done
}

# Waits up to TENTHS tenths of a second for fieldsim's console CONSOLE to say
# it listens; when it does not, prints its console and ERRFILE and fails.
wait_listening() {
  local console=$1 errfile=$2 tenths=$3
  for _ in $(seq "$tenths"); do
    grep -q "listening on" "$console" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "fieldsim did not start:" >&2
  cat "$console" "$errfile" >&2
  return 1
}

# start_teams PROGRAM OUTDIR: players 1 to 3 of Pitchbot and of Rivals, each
# measured under the name TEAM-N and working in OUTDIR/TEAM/pN; their names
# are added to the array `names`.
start_teams() {
  local program=$1 out=$2 team n
  for team in Pitchbot Rivals; do
    for n in 1 2 3; do
      start_measured "$team-$n" "$out/$team/p$n" "$program" --unum "$n" --teamname "$team"
      names+=("$team-$n")
    done
    sleep 0.05
  done
}
