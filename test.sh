#!/bin/bash
# Installs what is missing, builds with the sanitizers and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
bash tools/deps/install.sh tools/deps/play.txt tools/deps/test.txt
# The Windows form: the cross compiler, 32-bit Wine and the Japanese locale.
bash tools/windows/setup.sh
# The browser form: Emscripten, opus-tools, Chromium and the tests' npm packages.
bash web/setup.sh --tests build/web-node
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGAME_SANITIZE=ON -DGAME_TESTS=ON -DGAME_WINDOWS=ON
cmake --build build -j"$(nproc)"
cd build
exec ctest --output-on-failure -j"$(nproc)"
