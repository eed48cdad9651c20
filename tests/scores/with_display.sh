#!/bin/bash
# Runs a command on a private virtual X display of its own, so that tests
# running side by side never share one.
# Usage: with_display.sh COMMAND [ARG...]
set -u
. "$(dirname "$0")/../support/xvfb.sh"
if ! start_xvfb; then
  echo "the virtual display did not start" >&2
  exit 1
fi
"$@"
status=$?
kill "$XVFB_PID" 2>/dev/null
wait "$XVFB_PID" 2>/dev/null
exit "$status"
