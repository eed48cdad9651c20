# Packs one Windows form for download: ZIP gets the folder FOLDER holding the
# program EXE (without its symbols when STRIP, the form's strip tool, is
# given), the files of SOUND_DIR in sound/, and README as readme.txt,
# written with a byte-order mark and CRLF line ends so that Notepad shows
# its Japanese whatever the Windows version. STAGE is scratch room.
#   cmake -DEXE=... [-DSTRIP=...] -DSOUND_DIR=... -DREADME=... -DSTAGE=... -DFOLDER=... -DZIP=... -P package.cmake
foreach(name EXE SOUND_DIR README STAGE FOLDER ZIP)
  if(NOT ${name})
    message(FATAL_ERROR "package.cmake: ${name} is not given")
  endif()
endforeach()

set(folder ${STAGE}/${FOLDER})
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${folder}/sound)
file(COPY ${EXE} DESTINATION ${folder})
if(STRIP)
  get_filename_component(exe_name ${EXE} NAME)
  execute_process(COMMAND ${STRIP} ${folder}/${exe_name} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "package.cmake: ${STRIP} failed on ${exe_name} (${status})")
  endif()
endif()
file(GLOB sounds LIST_DIRECTORIES false ${SOUND_DIR}/*)
if(NOT sounds)
  message(FATAL_ERROR "package.cmake: no sound files in ${SOUND_DIR}")
endif()
file(COPY ${sounds} DESTINATION ${folder}/sound)

file(READ ${README} text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
string(ASCII 239 187 191 byte_order_mark)
file(WRITE ${folder}/readme.txt "${byte_order_mark}${text}")

# Written beside and renamed, so a failed run never leaves half a zip.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP}.part --format=zip ${FOLDER}
  WORKING_DIRECTORY ${STAGE}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${ZIP}.part)
  message(FATAL_ERROR "package.cmake: could not write ${ZIP} (${status})")
endif()
file(RENAME ${ZIP}.part ${ZIP})
file(REMOVE_RECURSE ${STAGE})
