#!/bin/bash
# Compares the WebAssembly replay under Node with the Linux one on the long
# play script.
# Usage: run-replay-compare.sh LINUX_REPLAY WEB_REPLAY_JS SOURCE_DIR WORK_DIR
set -uo pipefail
web=$2
[[ -f "$web" ]] || { echo "FAILED: $web was not built"; exit 1; }
command -v node >/dev/null || { echo "SKIPPED: node is not installed"; exit 77; }
# Node's own fetch would take the .wasm file's path for an address.
exec bash "$3/tests/replay/compare-with-linux.sh" "$1" "$4" WebAssembly \
  sh -c 'exec node --no-experimental-fetch "$1" <"$2" >"$3"' replay "$(realpath "$web")"
