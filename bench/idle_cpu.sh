#!/usr/bin/env bash
# Orbelin's CPU use while it sits idle on the bundled sample, under its own Xvfb display:
# the share of one core over 60 s (the target is below 0.5 %), refreshes every ~10 s included.
# Usage: bench/idle_cpu.sh [path/to/orbelin] [seconds]   (default build/orbelin, 60)
# ORBELIN_ARGS passes arguments to the program measured (for the window tests' probe).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
orbelin=${1:-$top/build/orbelin}
seconds=${2:-60}
[ -x "$orbelin" ] || { echo "no $orbelin: build it first (cmake --build build --target orbelin)" >&2; exit 1; }

source "$top/tools/xvfb.sh"
xvfb=""
pid=""
cleanup() {
  set +e  # a killed child's status must not stop the cleaning up
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
}
trap cleanup EXIT
start_xvfb

"$orbelin" ${ORBELIN_ARGS:-} >/dev/null &
pid=$!
sleep 5  # start-up: the wait for the second, the 1 s pause, the first refresh

ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }  # user + system time, in clock ticks
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
used=$((after - before))
awk -v t="$used" -v hz="$hz" -v s="$seconds" 'BEGIN {
  pct = 100 * t / hz / s
  printf "orbelin idle: %d ticks (%.2f s of CPU) in %d s = %.3f %% of one core (target < 0.5 %%)\n", t, t / hz, s, pct
  exit (pct < 0.5 ? 0 : 1)
}'
