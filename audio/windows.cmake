# The DirectSound effect player with its mmio WAV reader, and the music
# player. The music player is chosen by the form's width: 64-bit Windows
# gives DirectMusic's performance objects only to 32-bit programs, so the
# 64-bit form plays its music through the system's MIDI output (winmm), and
# the 32-bit form keeps DirectMusic. The choice
# reaches the code as GAME_MUSIC_WINMIDI (set for the 64-bit form).
add_library(gameaudio_dx STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FailureNote.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WaveFileMmio.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DSSound.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MidiFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MidiSequencer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MusicPlayer.cpp)
target_link_libraries(gameaudio_dx PUBLIC gamecore dsound winmm)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  target_sources(gameaudio_dx PRIVATE ${CMAKE_CURRENT_LIST_DIR}/WinMidiMusic.cpp)
  target_compile_definitions(gameaudio_dx PUBLIC GAME_MUSIC_WINMIDI)
else()
  target_sources(gameaudio_dx PRIVATE ${CMAKE_CURRENT_LIST_DIR}/DMMusic.cpp)
  target_link_libraries(gameaudio_dx PUBLIC ole32)
endif()
