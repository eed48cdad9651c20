# The downloadable zip of this Windows form, when the Linux build asks for
# one (GAME_WINDOWS_ZIP): one folder with miruto-nana.exe, its sound/ folder
# and readme.txt. Made again only when one of those changes.
if(NOT GAME_WINDOWS_ZIP)
  return()
endif()

file(GLOB game_sound_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/sound/*)
get_filename_component(zip_folder ${GAME_WINDOWS_ZIP} NAME_WE)
add_custom_command(OUTPUT ${GAME_WINDOWS_ZIP}
  COMMAND ${CMAKE_COMMAND}
          -DEXE=$<TARGET_FILE:miruto-nana>
          -DSTRIP=${CMAKE_STRIP}
          -DSOUND_DIR=${CMAKE_SOURCE_DIR}/sound
          -DREADME=${CMAKE_CURRENT_LIST_DIR}/readme.txt
          -DSTAGE=${CMAKE_BINARY_DIR}/zip
          -DFOLDER=${zip_folder}
          -DZIP=${GAME_WINDOWS_ZIP}
          -P ${CMAKE_CURRENT_LIST_DIR}/package.cmake
  DEPENDS miruto-nana ${game_sound_files}
          ${CMAKE_CURRENT_LIST_DIR}/readme.txt ${CMAKE_CURRENT_LIST_DIR}/package.cmake
  COMMENT "Packing ${GAME_WINDOWS_ZIP}"
  VERBATIM)
add_custom_target(windows-zip ALL DEPENDS ${GAME_WINDOWS_ZIP})
