# Cross-building the Windows form with the 32-bit mingw-w64 compiler.
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=tools/windows/mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(GAME_MINGW_PREFIX i686-w64-mingw32)
# The posix thread flavour has the complete standard thread library.
find_program(GAME_MINGW_CXX NAMES ${GAME_MINGW_PREFIX}-g++-posix ${GAME_MINGW_PREFIX}-g++ REQUIRED)
find_program(GAME_MINGW_CC NAMES ${GAME_MINGW_PREFIX}-gcc-posix ${GAME_MINGW_PREFIX}-gcc REQUIRED)
find_program(GAME_MINGW_RC NAMES ${GAME_MINGW_PREFIX}-windres REQUIRED)
set(CMAKE_C_COMPILER ${GAME_MINGW_CC})
set(CMAKE_CXX_COMPILER ${GAME_MINGW_CXX})
set(CMAKE_RC_COMPILER ${GAME_MINGW_RC})

set(CMAKE_FIND_ROOT_PATH /usr/${GAME_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# SSE2 arithmetic instead of the x87 unit, so the game's floating point gives
# the same results as the 64-bit Linux build.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# One self-contained .exe: no runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
