# Cross-building the 32-bit Windows form with mingw-w64.
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=tools/windows/mingw32.cmake
set(CMAKE_SYSTEM_PROCESSOR x86)
set(GAME_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

# SSE2 arithmetic instead of the x87 unit, so the game's floating point gives
# the same results as the 64-bit Linux build.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
