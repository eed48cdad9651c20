#!/bin/bash
# Installs what is missing, builds with the sanitizers in build/ and runs
# every test. A form whose tools were installed but which is not built
# fails its test. The code's layout is checked too; a file to reformat is
# named, the tests run all the same, and the run fails at the end.
set -euo pipefail
cd "$(dirname "$0")"
bash tools/deps/install.sh tools/deps/play.txt tools/deps/test.txt tools/deps/server.txt
# The Windows forms: both cross compilers, Wine of both widths and the Japanese locale.
bash tools/windows/setup.sh
# The browser form: Emscripten, opus-tools, Chromium, Firefox ESR and the tests' npm packages.
bash web/setup.sh --tests build/web-node
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGAME_SANITIZE=ON -DGAME_TESTS=ON \
      -DGAME_CORE_ONLY=OFF -DGAME_TOOLS=ON -DGAME_WINDOWS=ON -DGAME_PACKAGE=ON -DGAME_WEB=ON \
      -DGAME_REQUIRE_FORMS=ON -DGAME_SERVER=ON
cmake --build build -j"$(nproc)"
# The code's layout, as .clang-format has it.
layout=0
cmake --build build --target format-check || layout=$?
tests=0
(cd build && ctest --output-on-failure -j"$(nproc)") || tests=$?
if ((layout != 0)); then
  echo "FAILED: the files named above differ from .clang-format's layout (clang-format -i them)" >&2
fi
if ((tests != 0)); then
  echo "FAILED: some tests failed (listed above)" >&2
fi
((layout == 0 && tests == 0))
