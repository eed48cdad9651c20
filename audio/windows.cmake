# The DirectSound effect player with its mmio WAV reader, and the
# DirectMusic music player.
add_library(gameaudio_dx STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FailureNote.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WaveFileMmio.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DSSound.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DMMusic.cpp)
target_link_libraries(gameaudio_dx PUBLIC gamecore dsound winmm ole32)
