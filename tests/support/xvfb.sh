# The tests' one starter of private virtual X displays, for the shell and
# the Python tests alike.
#
# Run, it starts a display, runs a command on it and ends the server after:
#   bash tests/support/xvfb.sh [--screen WxHxD] COMMAND [ARG...]
# exiting with the command's status (1, saying so, when no display starts);
# the command finds the server's process in XVFB_PID.
#
# Sourced, it offers
#   start_xvfb [SCREEN]   exports DISPLAY and sets XVFB_PID, or returns 1
#   stop_xvfb             ends that server
# SCREEN defaults to 1024x768x24.
#
# The display number is drawn at random from a wide range rather than left to
# the server, which would take the lowest free one: many tests start and stop
# servers side by side. A server is ready once a client can open its display,
# which is more than the server saying it listens: a server just giving up the
# same number can still stand in its way for a moment. A server that does not
# answer in time is ended and another number tried. The server never resets:
# by default it does whenever its last client leaves, and drops a client that
# connects meanwhile (a program started just after a tool or a first
# connection of its own closed was told it could not open the display).

# How long one server may take to answer, in seconds.
XVFB_ANSWER_SECONDS=${XVFB_ANSWER_SECONDS:-30}

# True once the server XVFB_PID, which writes its number to the file $1,
# answers a client on display $2; false when it ends or the time is up.
_xvfb_answers() {
  local end=$((SECONDS + XVFB_ANSWER_SECONDS))
  while ((SECONDS < end)); do
    kill -0 "$XVFB_PID" 2>/dev/null || return 1
    if [[ -s "$1" ]] && DISPLAY=$2 xdpyinfo >/dev/null 2>&1; then
      return 0
    fi
    sleep 0.05
  done
  return 1
}

start_xvfb() {
  local screen=${1:-1024x768x24}
  local attempt number ready
  if ! command -v Xvfb >/dev/null || ! command -v xdpyinfo >/dev/null; then
    echo "xvfb.sh: Xvfb and xdpyinfo (xvfb, x11-utils) are needed" >&2
    return 1
  fi
  ready=$(mktemp) || return 1
  for attempt in $(seq 1 20); do
    number=$((100 + RANDOM % 30000))
    [[ -e /tmp/.X$number-lock ]] && continue
    : >"$ready"
    Xvfb ":$number" -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$ready" >/dev/null 2>&1 &
    XVFB_PID=$!
    if _xvfb_answers "$ready" ":$number"; then
      rm -f "$ready"
      export DISPLAY=":$number"
      return 0
    fi
    stop_xvfb
  done
  rm -f "$ready"
  XVFB_PID=""
  return 1
}

stop_xvfb() {
  if [[ -n "${XVFB_PID:-}" ]]; then
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
  fi
  return 0
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  set -u
  screen=1024x768x24
  if [[ "${1:-}" == "--screen" ]]; then
    screen=${2:?--screen takes WIDTHxHEIGHTxDEPTH}
    shift 2
  fi
  if (($# == 0)); then
    echo "usage: $0 [--screen WxHxD] COMMAND [ARG...]" >&2
    exit 2
  fi
  trap stop_xvfb EXIT
  trap 'exit 143' TERM
  trap 'exit 130' INT
  if ! start_xvfb "$screen"; then
    echo "FAILED: the virtual display did not start"
    exit 1
  fi
  # A test may end the server itself (a display that goes away).
  export XVFB_PID
  "$@"
  exit $?
fi
