#!/bin/bash
# Installs what is missing, builds the game and starts it.
set -euo pipefail
cd "$(dirname "$0")"
bash tools/deps/install.sh tools/deps/play.txt
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DGAME_SANITIZE=OFF -DGAME_TESTS=OFF -DGAME_TOOLS=OFF
cmake --build build --target miruto-nana -j"$(nproc)"
if [[ ! -x build/miruto-nana ]]; then
  echo "The desktop program is not there yet: build/miruto-nana was not built." >&2
  exit 1
fi
exec build/miruto-nana
