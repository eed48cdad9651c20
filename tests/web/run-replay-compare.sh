#!/bin/bash
# Runs the long play script through the Linux replay tool and through the
# WebAssembly one under Node, each in a folder of its own, and compares the
# two traces.
# Usage: run-replay-compare.sh LINUX_REPLAY WEB_REPLAY_JS SOURCE_DIR WORK_DIR
set -uo pipefail
linux=$(realpath "$1")
web=$2
source=$(realpath "$3")
mkdir -p "$4"
work=$(realpath "$4")
[[ -f "$web" ]] || { echo "SKIPPED: $web was not built"; exit 77; }
web=$(realpath "$web")
command -v node >/dev/null || { echo "SKIPPED: node is not installed"; exit 77; }

rm -rf "$work/linux" "$work/web"
mkdir -p "$work/linux" "$work/web"
script=$work/script.txt
bash "$source/tests/replay/long-play-script.sh" >"$script"
(cd "$work/linux" && "$linux" <"$script" >../linux.trace) || { echo "FAILED: the Linux replay"; exit 1; }
# Node's own fetch would take the .wasm file's path for an address.
(cd "$work/web" && node --no-experimental-fetch "$web" <"$script" >../web.trace) ||
  { echo "FAILED: the WebAssembly replay ended with status $?"; exit 1; }

lines=$(wc -l <"$work/linux.trace")
if ! cmp -s "$work/linux.trace" "$work/web.trace"; then
  echo "FAILED: the traces differ (Linux $lines lines, WebAssembly $(wc -l <"$work/web.trace"))"
  diff "$work/linux.trace" "$work/web.trace" | head -20
  exit 1
fi
echo "the WebAssembly and Linux traces are the same ($lines lines)"
echo "1 passed, 0 failed"
