#!/bin/bash
# Builds the tick-logging program without sanitizers (Release) and measures
# its pace and processor load: 20 s on the title screen, then 20 s of play.
# Usage: tools/measure/measure.sh [build-dir] [seconds]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-measure}"
seconds="${2:-20}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DGAME_SANITIZE=OFF >/dev/null
cmake --build "$build" --target miruto-nana-measure -j"$(nproc)" >/dev/null
exec bash "$root/tests/support/xvfb.sh" python3 "$root/tools/measure/measure.py" \
  "$build/miruto-nana-measure" "$root" "$seconds"
