# The Windows test program: windows-tests.exe in build/windows (32-bit) and
# build/windows-x64, run under Wine by the Linux build's tests
# (tests/windows/CMakeLists.txt).
add_executable(windows-tests
  ${CMAKE_CURRENT_LIST_DIR}/WinTestMain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WinTestSupport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DDGraphicsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WaveFileTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AudioTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WinMidiMusicTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DialogTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ResourceTest.cpp)
target_link_libraries(windows-tests PRIVATE
  gamewinres gamegraphics_dd gameaudio_dx gamescores_win gamecore)
set_target_properties(windows-tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
