# What the two Windows toolchains share: mingw-w64's posix-thread compilers
# for GAME_MINGW_PREFIX, its headers and libraries, and one self-contained
# .exe without runtime DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)

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

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
