#!/usr/bin/env bash
# Peak memory of the real Orbelin, under its own Xvfb display (with openbox when it is there),
# over files whose fields never end: the log as /dev/zero, as /dev/full, as a file of 3 GB of zero
# bytes (a hole), and the setup file as a link to /dev/zero; the bundled sample for comparison.
# Each runs for some refreshes with every error box answered Yes; the figure is the process's
# VmHWM (peak resident memory) from /proc. The target is below 512 MB for every one. For
# reference, outside the target: the longest field that still reads whole, a call of 128 MiB,
# which the plotter keeps, prints and lists (a few copies of it at once).
# Usage: bench/field_memory.sh [path/to/orbelin] [seconds a case]   (default build/orbelin, 25)
# CASES="zero-device ..." runs only those; SHOTS=folder keeps a screenshot of each case's first box.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
orbelin=${1:-$top/build/orbelin}
seconds=${2:-25}
limit_kib=$((512 * 1024))
[ -x "$orbelin" ] || { echo "no $orbelin: build it first (cmake --build build --target orbelin)" >&2; exit 1; }

source "$top/tools/xvfb.sh"
work=$(mktemp -d)
xvfb=""
wm=""
pid=""
# Each case on a display of its own, so that nothing of one case (a box) is left for the next.
stop_display() {
  stop_processes "$pid" "$wm" "$xvfb"
  pid="" wm="" xvfb=""
}
start_display() {
  start_xvfb
  if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    wm=$!
  fi
}
trap 'stop_display; rm -rf "$work"' EXIT

calls=$'\r\nY\r\nDL1ABC\r\nG4XYZ\r\nK1JT\r\nVK2DX\r\nJA1NRH\r\nPY2AA\r\n'
# Makes the folder of one case: Orbelin, its setup file and its log.
prepare() {
  local folder=$work/$1
  mkdir -p "$folder"
  cp "$orbelin" "$folder/orbelin"
  case $1 in
    sample) cp "$top/sample/Orbelin020.SET" "$top/sample/SampleDay.csv" "$folder/" ;;
    zero-device) printf '%s' "/dev/zero$calls" >"$folder/Orbelin020.SET" ;;
    full-device) printf '%s' "/dev/full$calls" >"$folder/Orbelin020.SET" ;;
    hole-of-3-GB) printf '%s' "day.csv$calls" >"$folder/Orbelin020.SET"; truncate -s 3G "$folder/day.csv" ;;
    setup-linked-to-zero) ln -s /dev/zero "$folder/Orbelin020.SET" ;;
    call-of-the-bound)  # the longest field that reads whole: a call of 128 MiB
      printf '%s' "day.csv$calls" >"$folder/Orbelin020.SET"
      { printf 'RxSpot\r\n'; head -c $((128 << 20)) /dev/zero | tr '\0' 'A'; } >"$folder/day.csv" ;;
  esac
}

status=0
printf '%-22s %14s %8s %s\n' case "peak (VmHWM)" boxes state
for case in ${CASES:-sample zero-device full-device hole-of-3-GB setup-linked-to-zero call-of-the-bound}; do
  prepare "$case"
  start_display
  (cd "$work/$case" && exec ./orbelin >/dev/null 2>&1) &
  pid=$!
  boxes=0
  last_box=""
  shot_taken=""
  end=$((SECONDS + seconds))
  while [ $SECONDS -lt $end ] && kill -0 "$pid" 2>/dev/null; do
    box=$(xdotool search --onlyvisible --name '^Unhandled Error #' 2>/dev/null | head -n1 || true)
    if [ -z "$box" ]; then
      sleep 0.2
      continue
    fi
    # A window number may come back for the next box: where a child process of Orbelin's shows
    # the box, that process tells them apart.
    this_box="$box:$(ps --ppid "$pid" -o pid= 2>/dev/null | tr -d ' \n' || true)"
    if [ "$this_box" != "$last_box" ]; then
      boxes=$((boxes + 1))
      last_box=$this_box
      if [ -n "${SHOTS:-}" ] && [ -z "$shot_taken" ]; then
        mkdir -p "$SHOTS"
        xwd -root -silent | convert xwd:- "$SHOTS/$case.png" 2>/dev/null || true
        shot_taken=1
      fi
    fi
    # A box may take keys only a moment after it shows: the key is given again while it stays.
    # Typed as on a keyboard, to the box given the focus, as a user answers it.
    xdotool windowfocus --sync "$box" key y 2>/dev/null || true
    sleep 0.2
  done
  peak=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo "")
  state=alive
  kill -0 "$pid" 2>/dev/null || state="ended early"
  stop_display
  if [ -z "$peak" ]; then
    printf '%-22s %14s %8d %s\n' "$case" "?" "$boxes" "$state"
    status=1
    continue
  fi
  printf '%-22s %10d KiB %8d %s\n' "$case" "$peak" "$boxes" "$state"
  if [ "$state" != alive ] || { [ "$peak" -ge "$limit_kib" ] && [ "$case" != call-of-the-bound ]; }; then
    status=1
  fi
done
echo "target: below $limit_kib KiB (512 MB) for every case but call-of-the-bound, each alive after ${seconds} s"
exit $status
