#!/bin/bash
# Installs what is missing, builds the game and starts it.
#   ./play.sh         the desktop game
#   ./play.sh --web   the browser form, served on http://127.0.0.1:8000/
#   ./play.sh --server  the browser form with the score service (the world
#                       table, SQLite in build-play/server-data) on the same address
# It builds in build-play/, a Release build of its own: the tests' build in
# build/ (./test.sh) and this one never rebuild each other.
set -euo pipefail
cd "$(dirname "$0")"
build=build-play
bash tools/deps/install.sh tools/deps/play.txt
if [[ "${1:-}" == "--web" ]]; then
  bash web/setup.sh
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DGAME_SANITIZE=OFF -DGAME_TESTS=OFF \
        -DGAME_TOOLS=OFF -DGAME_WEB=ON
  cmake --build "$build" --target web_form -j"$(nproc)"
  if [[ ! -f "$build/web/miruto-nana.wasm" ]]; then
    echo "The browser form was not built (Emscripten or opus-tools missing?)." >&2
    exit 1
  fi
  echo "Serving $build/web; open the address below in a browser (Ctrl+C stops)."
  exec /usr/bin/python3 web/serve.py --port 8000 "$build/web"
fi
if [[ "${1:-}" == "--server" ]]; then
  bash tools/deps/install.sh tools/deps/server.txt
  bash web/setup.sh
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DGAME_SANITIZE=OFF -DGAME_TESTS=OFF \
        -DGAME_TOOLS=OFF -DGAME_WEB=ON -DGAME_SERVER=ON
  cmake --build "$build" --target web_form miruto-nana-server -j"$(nproc)"
  if [[ ! -f "$build/web/miruto-nana.wasm" || ! -x "$build/miruto-nana-server" ]]; then
    echo "The browser form or the score service was not built." >&2
    exit 1
  fi
  echo "Serving $build/web and the world table; open the address below (Ctrl+C stops)."
  exec "$build/miruto-nana-server" --listen 127.0.0.1 --port 8000 --data "$build/server-data" \
       --site "$build/web"
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DGAME_SANITIZE=OFF -DGAME_TESTS=OFF \
      -DGAME_TOOLS=OFF -DGAME_WEB=OFF
cmake --build "$build" --target miruto-nana -j"$(nproc)"
if [[ ! -x "$build/miruto-nana" ]]; then
  echo "The desktop program is not there yet: $build/miruto-nana was not built." >&2
  exit 1
fi
exec "$build/miruto-nana"
