#!/bin/bash
# Two headless games that share one score folder and end at the same moment,
# round after round: both confirmed rows are stored every time, in their
# places, with the rows below them moved down, and no temporary file is
# left.
# Usage: two-games-one-folder.sh ROUNDS REPLAY [ARG...]
# REPLAY and its arguments make the replay command (an absolute path); the
# script's file name is added to them.
set -u
rounds=$1
shift
replay=("$@")
# In memory where the system offers it: the rounds wait on no disk.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Left alone, a game ends with 0 points at tick 177, which takes third place
# here; both games' rows belong in the top five.
table=$'9 ann\n8 ben\n-1 cat\n-2 dan\n-3 eve'
for name in alice bruno; do
  printf 'tick 1\nclick 320 240\nname %s\ntick 180\n' "$name" > "$name.txt"
done
either=("$(printf '9 ann\n8 ben\n0 alice\n0 bruno\n-1 cat')"
        "$(printf '9 ann\n8 ben\n0 bruno\n0 alice\n-1 cat')")

passed=0
failed=0
for ((round = 1; round <= rounds; ++round)); do
  printf '%s\n' "$table" > score.sav
  "${replay[@]}" alice.txt > alice.out 2>&1 &
  first=$!
  "${replay[@]}" bruno.txt > bruno.out 2>&1 &
  second=$!
  wait "$first"; status=$?
  wait "$second"; status=$((status | $?))
  # The Windows forms end their lines with CR LF.
  stored=$(tr -d '\r' < score.sav)
  why=
  if [[ $status -ne 0 ]]; then
    why="a replay failed"
  elif ! grep -qx 'dialog ok alice' alice.out || ! grep -qx 'dialog ok bruno' bruno.out; then
    why="a name entry did not open or end with OK"
  elif grep -q '^message' alice.out bruno.out; then
    why="a game said: $(grep -h '^message' alice.out bruno.out | head -1)"
  elif [[ "$stored" != "${either[0]}" && "$stored" != "${either[1]}" ]]; then
    why="score.sav holds: $(tr '\n' '|' <<< "$stored")"
  elif compgen -G 'work*.temp' > /dev/null; then
    why="a temporary file was left"
  fi
  if [[ -z "$why" ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    [[ $failed -le 5 ]] && echo "FAILED in round $round: $why"
  fi
done
echo "$passed passed, $failed failed"
test "$failed" -eq 0
