#!/bin/bash
# Compares one Windows form's replay.exe under Wine with the Linux replay on
# the long play script.
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

exec bash "$source/tests/replay/compare-with-linux.sh" "$linux" "$work" "Windows $form" \
  bash "$source/tools/windows/wine-env.sh" "$form" "$state" 300 \
  sh -c 'exec "$WINELOADER" "$1" <"$2" >"$3"' replay "$build/replay.exe"
