# Starts a private virtual X display for a test; source this file, then call
#   start_xvfb [SCREEN]      (SCREEN defaults to 1024x768x24)
# It exports DISPLAY and sets XVFB_PID, or returns 1 when no server starts.
#
# The display number is drawn at random from a wide range rather than left to
# the server, which would take the lowest free one: many tests start and stop
# servers side by side, and a number that a server is just giving up can
# still answer for a moment, so a fresh server on it may be unreachable.
start_xvfb() {
  local screen=${1:-1024x768x24}
  local attempt number ready
  ready=$(mktemp)
  for attempt in $(seq 1 20); do
    number=$((100 + RANDOM % 30000))
    [[ -e /tmp/.X$number-lock ]] && continue
    : >"$ready"
    Xvfb ":$number" -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$ready" >/dev/null 2>&1 &
    XVFB_PID=$!
    # The server writes its number once it accepts clients, or ends at once
    # when the number is taken.
    for _ in $(seq 1 300); do
      if grep -q . "$ready" 2>/dev/null; then
        rm -f "$ready"
        export DISPLAY=":$number"
        return 0
      fi
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
  done
  rm -f "$ready"
  XVFB_PID=""
  return 1
}
