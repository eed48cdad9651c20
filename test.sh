#!/bin/bash
# Installs what is missing, builds with the sanitizers and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
bash tools/deps/install.sh tools/deps/play.txt tools/deps/test.txt tools/deps/server.txt
# The Windows forms: both cross compilers, Wine of both widths and the Japanese locale.
bash tools/windows/setup.sh
# The browser form: Emscripten, opus-tools, Chromium and the tests' npm packages.
bash web/setup.sh --tests build/web-node
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGAME_SANITIZE=ON -DGAME_TESTS=ON \
      -DGAME_CORE_ONLY=OFF -DGAME_TOOLS=ON -DGAME_WINDOWS=ON -DGAME_PACKAGE=ON -DGAME_WEB=ON \
      -DGAME_SERVER=ON
cmake --build build -j"$(nproc)"
# The code's layout, as .clang-format has it.
cmake --build build --target format-check
cd build
exec ctest --output-on-failure -j"$(nproc)"
