# The headless replay tool for Windows: replay.exe in build/windows (32-bit)
# and build/windows-x64, a console program that prints the same trace as the
# Linux build/replay.
add_executable(replay ${CMAKE_CURRENT_LIST_DIR}/Replay.cpp)
target_link_libraries(replay PRIVATE gamereplay recording)
set_target_properties(replay PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
