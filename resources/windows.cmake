# The Windows program's resources, compiled with windres from game.rc: the
# same bitmaps, icon and cursor files as the Linux build, plus the menu and
# the two dialogs.
enable_language(RC)

file(GLOB game_resource_files CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_LIST_DIR}/bitmaps/*.bmp
     ${CMAKE_CURRENT_LIST_DIR}/icons/*.ico
     ${CMAKE_CURRENT_LIST_DIR}/cursors/*.cur)
add_library(gamewinres OBJECT ${CMAKE_CURRENT_LIST_DIR}/game.rc)
target_include_directories(gamewinres PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR})
# windres takes none of the C++ warning options.
set_property(TARGET gamewinres PROPERTY COMPILE_OPTIONS "")
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/game.rc PROPERTIES
  OBJECT_DEPENDS
  "${game_resource_files};${CMAKE_CURRENT_LIST_DIR}/WindowsResources.h;${CMAKE_SOURCE_DIR}/devices/GameNumbers.h")
