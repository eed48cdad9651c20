# Cross-building the 64-bit Windows form with mingw-w64 (its arithmetic is
# SSE2 already, as on 64-bit Linux).
#   cmake -S . -B build/windows-x64 -DCMAKE_TOOLCHAIN_FILE=tools/windows/mingw64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(GAME_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
