#!/usr/bin/env bash
# A long run under the sanitizers: a whole match of two halves of 300 s, two
# teams of three in lockstep, fieldsim and every player built with
# AddressSanitizer and UndefinedBehaviorSanitizer. It fails when any process
# writes a sanitizer report or ends badly, when the server counts a
# malformed command, or when a process's resident memory grows over the
# second half of the match; it prints the figures either way. Lockstep runs
# as fast as the players answer: a few minutes under the sanitizers on an
# idle machine, more on a busy one. It is not part of the test suite.
#   HALF      seconds of game time per half (default 300)
#   PROGRAM   matchagent (default) or agent
#   MODEL     fieldsim's robot model, kinematic (default) or physics
#   GROWTH_KB the most a process's memory may grow over the second half
#             (default 1024)
# Everything lands in run/soak/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh sanitize fieldsim agent matchagent >/dev/null

half=${HALF:-300}
program=${PROGRAM:-matchagent}
model=${MODEL:-kinematic}
allowed=${GROWTH_KB:-1024}
bin=$PWD/build/sanitize
out=$PWD/run/soak
rm -rf "$out"
mkdir -p "$out"
MEASURE_DIR=$out
. scripts/lib/measured.sh
trap stop_measured EXIT

# No quarantine: AddressSanitizer would hold freed memory back to catch its
# later use, and the held-back memory grows the resident size all match long
# (by about 2 MB per half for a player), which would hide a real leak. Reads
# and writes out of bounds, leaks at exit and undefined behaviour are still
# caught; the test suite runs under the sanitizers with the quarantine.
export ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=0
export UBSAN_OPTIONS=print_stacktrace=1

echo "Playing 2 x $half s in lockstep: fieldsim ($model model) and 2 x 3 $program, all under ASan + UBSan..."
start_measured fieldsim "$out/fieldsim" "$bin/fieldsim" --pace lockstep --half-time "$half" \
  --halves 2 --kickoff-after 3 --wait-for 6 --wait-timeout 60 --model "$model" \
  --duration $((2 * half + 120))
console=$out/fieldsim/out.txt
wait_listening "$console" "$out/fieldsim/err.txt" 100 || exit 1
names=(fieldsim)
start_teams "$bin/$program" "$out"

# Resident memory of every process every second, until the match is over;
# then fieldsim is interrupted and ends as on Ctrl-C.
echo "second,process,rss_kb" >"$out/memory.csv"
start=$SECONDS
while :; do
  for name in "${names[@]}"; do
    pid=$(measured_pid "$name")
    [ -n "$pid" ] || continue
    rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
    [ -n "$rss" ] && echo "$((SECONDS - start)),$name,$rss" >>"$out/memory.csv"
  done
  if grep -q "play mode GameOver" "$console" 2>/dev/null; then
    kill -INT "$(measured_pid fieldsim)" 2>/dev/null || true
    break
  fi
  pid=$(measured_pid fieldsim)
  if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then break; fi
  sleep 1
done
wait_measured
trap - EXIT

echo
grep "play mode GameOver\|summary:" "$console" || true
echo
report_measured "${names[@]}"

failed=0
echo
echo "Memory over the second half (resident, from the middle of the match to its end):"
printf '%-22s %10s %10s %9s\n' process middle end growth
mid=$(awk -F, 'NR > 1 && $1 > last { last = $1 } END { print int(last / 2) }' "$out/memory.csv")
for name in "${names[@]}"; do
  read -r first last < <(awk -F, -v n="$name" -v m="$mid" '
    NR > 1 && $2 == n && $1 >= m { if (f == "") f = $3; l = $3 }
    END { print (f == "" ? 0 : f), (l == "" ? 0 : l) }' "$out/memory.csv")
  growth=$((last - first))
  printf '%-22s %7d kB %7d kB %6d kB\n' "$name" "$first" "$last" "$growth"
  if [ "$growth" -gt "$allowed" ]; then
    echo "  $name grew by more than $allowed kB" >&2
    failed=1
  fi
done

echo
reports=$(grep -l -E "ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: UndefinedBehaviorSanitizer" \
  "$out"/fieldsim/err.txt "$out"/fieldsim/out.txt "$out"/*/p*/err.txt 2>/dev/null || true)
if [ -n "$reports" ]; then
  echo "Sanitizer reports in: $reports" >&2
  failed=1
else
  echo "Sanitizer reports: none"
fi
malformed=$(grep -o "[0-9]* malformed" "$console" | tail -n 1 | cut -d' ' -f1)
echo "Malformed commands at the server: ${malformed:-unknown}"
[ "${malformed:-1}" = 0 ] || failed=1
for name in "${names[@]}"; do
  if grep -q "Command exited with non-zero status\|Command terminated by signal" "$out/$name.time"; then
    echo "$name did not end cleanly: $(head -n 1 "$out/$name.time")" >&2
    failed=1
  fi
done
grep -q "play mode GameOver" "$console" || { echo "The match did not reach GameOver" >&2; failed=1; }

if [ "$failed" -ne 0 ]; then
  echo "Soak run FAILED (logs in $out)" >&2
  exit 1
fi
echo "Soak run passed (logs in $out)."
