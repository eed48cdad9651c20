#!/bin/bash
# Runs the same script through the Linux replay tool and through one Windows
# form's replay.exe under Wine, each in a folder of its own, and compares the
# two traces.
# Usage: run-replay-compare.sh LINUX_REPLAY x86|x64 WINDOWS_BUILD_DIR SOURCE_DIR WORK_DIR WINE_STATE_DIR
set -uo pipefail
linux=$(realpath "$1")
form=$2
build=$(realpath "$3")
source=$(realpath "$4")
mkdir -p "$5" "$6"
work=$(realpath "$5")
state=$(realpath "$6")
[[ -f "$build/replay.exe" ]] || { echo "FAILED: $build/replay.exe was not built"; exit 1; }

rm -rf "$work/linux" "$work/windows"
mkdir -p "$work/linux" "$work/windows"

script=$work/script.txt
bash "$source/tests/replay/long-play-script.sh" >"$script"
(cd "$work/linux" && "$linux" <"$script" >../linux.trace) || { echo "FAILED: the Linux replay"; exit 1; }
(cd "$work/windows" &&
  bash "$source/tools/windows/wine-env.sh" "$form" "$state" 300 \
    sh -c 'exec "$WINELOADER" "$1" <"$2" >"$3"' replay "$build/replay.exe" "$script" ../windows.trace)
status=$?
((status == 77)) && exit 77
((status == 0)) || { echo "FAILED: replay.exe ended with status $status"; exit 1; }

lines=$(wc -l <"$work/linux.trace")
if ! cmp -s "$work/linux.trace" "$work/windows.trace"; then
  echo "FAILED: the traces differ (Linux $lines lines, Windows $form $(wc -l <"$work/windows.trace"))"
  diff "$work/linux.trace" "$work/windows.trace" | head -20
  exit 1
fi
echo "the Windows $form and Linux traces are the same ($lines lines)"
echo "1 passed, 0 failed"
