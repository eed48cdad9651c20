# The name-entry and top-five dialogs on the Win32 dialog manager.
add_library(gamescores_win STATIC ${CMAKE_CURRENT_LIST_DIR}/WinDialogs.cpp)
target_link_libraries(gamescores_win PUBLIC gamecore user32)
