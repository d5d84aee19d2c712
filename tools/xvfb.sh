# Sourced by the scripts that run Orbelin on a virtual display of their own.
# start_xvfb: starts Xvfb on a free display number, puts its process in `xvfb` and exports
# DISPLAY; ends the script when the display does not come (its EXIT trap still runs).
# stop_processes PID...: ends each process given (empty ones are passed over) and waits for it.
start_xvfb() {
  local ready
  ready=$(mktemp)
  Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp 4>"$ready" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 100); do
    [ -s "$ready" ] && break
    sleep 0.1
  done
  if ! [ -s "$ready" ]; then
    rm -f "$ready"
    echo "Xvfb did not start." >&2
    exit 1
  fi
  export DISPLAY=":$(head -n1 "$ready")"
  rm -f "$ready"
}

stop_processes() {
  local pid errexit=$-
  set +e  # a killed child's status must not stop the cleaning up
  for pid in "$@"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  [[ $errexit == *e* ]] && set -e
  return 0
}
