# The DirectDraw drawing device and sprite sheets.
add_library(gamegraphics_dd STATIC
  ${CMAKE_CURRENT_LIST_DIR}/DDGraphics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DDSurface.cpp)
target_link_libraries(gamegraphics_dd PUBLIC gamecore ddraw gdi32 user32)
