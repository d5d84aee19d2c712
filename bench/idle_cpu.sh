#!/usr/bin/env bash
# Orbelin's cost to the machine while it sits idle on the bundled sample, under its own Xvfb
# display, over 60 s (refreshes every ~10 s included): the share of one core it uses, and how
# often its threads wake (context switches of all its threads, voluntary and not, per second).
# Targets: at most 0.2 % of a core and at most 20 wake-ups a second; exits 1 when above either.
# Usage: bench/idle_cpu.sh [path/to/orbelin] [seconds]   (default build/orbelin, 60)
# ORBELIN_ARGS passes arguments to the program measured.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
orbelin=${1:-$top/build/orbelin}
seconds=${2:-60}
[ -x "$orbelin" ] || { echo "no $orbelin: build it first (cmake --build build --target orbelin)" >&2; exit 1; }

source "$top/tools/xvfb.sh"
xvfb=""
pid=""
trap 'stop_processes "$pid" "$xvfb"' EXIT
start_xvfb

"$orbelin" ${ORBELIN_ARGS:-} >/dev/null &
pid=$!
sleep 5  # start-up: the wait for the second, the 1 s pause, the first refresh

# CPU time of all its threads, in microseconds (the scheduler's own count, finer than ticks).
cpu_us() { cat /proc/"$pid"/task/*/schedstat 2>/dev/null | awk '{ n += $1 } END { printf "%d\n", n / 1000 }'; }
# One line per thread: its id and its context switches so far.
switches() {
  for status in /proc/"$pid"/task/*/status; do
    awk -v task="${status%/status}" '/^(non)?voluntary_ctxt_switches/ { n += $2 } END { sub(".*/", "", task); print task, n }' "$status"
  done 2>/dev/null
}
switches_before=$(switches)
before=$(cpu_us)
sleep "$seconds"
after=$(cpu_us)
switches_after=$(switches)
awk -v us="$((after - before))" -v s="$seconds" -v before="$switches_before" -v after="$switches_after" 'BEGIN {
  n = split(before, lines, "\n")
  for (i = 1; i <= n; ++i) { split(lines[i], f, " "); start[f[1]] = f[2] }
  n = split(after, lines, "\n")
  total = 0
  for (i = 1; i <= n; ++i) {
    split(lines[i], f, " ")
    woke = f[2] - start[f[1]]  # a thread begun meanwhile counts from 0
    total += woke
    per_thread = per_thread sprintf(" %s:%.1f", f[1], woke / s)
  }
  pct = 100 * us / 1e6 / s
  rate = total / s
  printf "orbelin idle: %.3f s of CPU in %d s = %.3f %% of one core (target <= 0.2 %%)\n", us / 1e6, s, pct
  printf "wake-ups: %d in %d s = %.1f a second (target <= 20); by thread id:%s\n", total, s, rate, per_thread
  exit (pct <= 0.2 && rate <= 20 ? 0 : 1)
}'
