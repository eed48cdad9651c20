# Replays: the session recorder the forms drive the game through, the reader
# and runner the replay tool, the checker and watching share. Built on the
# game core, for every form.
add_library(gamereplay STATIC
  ${CMAKE_SOURCE_DIR}/replay/LastSession.cpp
  ${CMAKE_SOURCE_DIR}/replay/RecordedSession.cpp
  ${CMAKE_SOURCE_DIR}/replay/ReplayCheck.cpp
  ${CMAKE_SOURCE_DIR}/replay/ReplayPlatform.cpp
  ${CMAKE_SOURCE_DIR}/replay/ReplayPlayer.cpp
  ${CMAKE_SOURCE_DIR}/replay/ReplayRun.cpp
  ${CMAKE_SOURCE_DIR}/replay/ReplayScript.cpp)
target_link_libraries(gamereplay PUBLIC gamecore)
target_compile_definitions(gamereplay PRIVATE GAME_VERSION="${PROJECT_VERSION}")
