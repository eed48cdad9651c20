# The Windows program, a GUI program: miruto-nana.exe in build/windows (32-bit)
# and build/windows-x64. It runs from a folder that holds sound/ and writes
# score.sav there.
add_executable(miruto-nana WIN32
  ${CMAKE_CURRENT_LIST_DIR}/WinMain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FrameLoop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WinPlatform.cpp)
target_link_libraries(miruto-nana PRIVATE
  gamewinres gamegraphics_dd gameaudio_dx gamescores_win gamereplay gamecore winmm)
set_target_properties(miruto-nana PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
