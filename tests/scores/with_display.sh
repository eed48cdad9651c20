#!/bin/sh
# Runs a command on a private virtual X display whose number the X server
# picks itself, so that tests running side by side never share one.
# Usage: with_display.sh COMMAND [ARG...]
set -u
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" >/dev/null 2>&1 &
server=$!
tries=0
while ! grep -q . "$dir/display" 2>/dev/null && [ "$tries" -lt 300 ]; do
  sleep 0.1
  tries=$((tries + 1))
done
if ! grep -q . "$dir/display" 2>/dev/null; then
  echo "the virtual display did not start" >&2
  kill "$server" 2>/dev/null
  rm -rf "$dir"
  exit 1
fi
DISPLAY=":$(head -n 1 "$dir/display")" "$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
rm -rf "$dir"
exit "$status"
