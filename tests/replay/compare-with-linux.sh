#!/bin/bash
# Runs the long play script, as the replay file the Linux replay tool makes
# of it, through the Linux replay tool and through another form's replay,
# each in a folder of its own, and compares the two traces.
#
# Usage: compare-with-linux.sh LINUX_REPLAY WORK_DIR FORM COMMAND [ARG...]
# COMMAND runs in WORK_DIR/form with two more arguments, the script's path
# and the path its trace goes to; its status 77 (skipped) is passed on. FORM
# names the form in what this prints.
set -uo pipefail
linux=$(realpath "$1")
mkdir -p "$2"
work=$(realpath "$2")
form=$3
shift 3

rm -rf "$work/linux" "$work/form"
mkdir -p "$work/linux" "$work/form"
script=$work/script.txt
bash "$(dirname "$0")/long-play-script.sh" >"$work/long-play.txt"
"$linux" --write-replay "$script" "$work/long-play.txt" || { echo "FAILED: --write-replay"; exit 1; }
(cd "$work/linux" && "$linux" <"$script" >../linux.trace) || { echo "FAILED: the Linux replay"; exit 1; }
(cd "$work/form" && "$@" "$script" ../form.trace)
status=$?
((status == 77)) && exit 77
((status == 0)) || { echo "FAILED: the $form replay ended with status $status"; exit 1; }

lines=$(wc -l <"$work/linux.trace")
if ! cmp -s "$work/linux.trace" "$work/form.trace"; then
  echo "FAILED: the traces differ (Linux $lines lines, $form $(wc -l <"$work/form.trace"))"
  diff "$work/linux.trace" "$work/form.trace" | head -20
  exit 1
fi
echo "the $form and Linux traces are the same ($lines lines)"
echo "1 passed, 0 failed"
