# The WebAssembly half of the browser form, built by Emscripten in
# build/web-wasm (see CMakeLists.txt): the program with its platform layer
# into the site folder, and the replay tool for Node.
set(GAME_WEB_SITE_DIR ${CMAKE_BINARY_DIR}/site CACHE PATH "Where the page is assembled")

add_library(gameweb STATIC
  BmpFile.cpp
  CanvasPresenter.cpp
  EffectSamples.cpp
  WebBitmapSource.cpp
  WebDialogs.cpp
  WebMusic.cpp
  WebPlatform.cpp
  WebScoreKeeper.cpp
  WebSound.cpp
  ${CMAKE_SOURCE_DIR}/graphics/Presenter.cpp
  ${CMAKE_SOURCE_DIR}/graphics/MemoryGraphics.cpp
  ${CMAKE_SOURCE_DIR}/graphics/MemorySurface.cpp
  ${CMAKE_SOURCE_DIR}/audio/FailureNote.cpp
  ${CMAKE_SOURCE_DIR}/audio/WaveRules.cpp
  ${CMAKE_SOURCE_DIR}/audio/WaveFile.cpp
  ${CMAKE_SOURCE_DIR}/audio/MidiFile.cpp
  ${CMAKE_SOURCE_DIR}/audio/MidiSequencer.cpp
  ${CMAKE_SOURCE_DIR}/audio/MusicPlayer.cpp)
target_include_directories(gameweb PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(gameweb PUBLIC gamecore)

# The game waits inside a tick (the wipes' sleeps, the name dialog) and in
# the menu's boxes, and the page must go on drawing meanwhile: Asyncify lets
# those calls return to the browser and resume later. Only the functions
# that can be on the stack then are made ready for it (asyncify-only.txt:
# the exported calls, the shell's RunWeb* functions, CGame and the
# platform); the imports that wait are listed below. That costs 8 KB of the
# program (all functions made ready would cost 49 KB).
add_executable(miruto-nana WebShell.cpp WebOnline.cpp)
target_link_libraries(miruto-nana PRIVATE gameweb gamereplay)
# The browser's storage keeps the score files in a database of this name.
target_compile_definitions(miruto-nana PRIVATE GAME_APP_ID="${GAME_APP_ID}")
# The browser's side of the platform layer: one file for each thing it does.
set(web_library_files)
foreach(part page audio dialogs storage replays probes world)
  list(APPEND web_library_files ${CMAKE_CURRENT_SOURCE_DIR}/library/${part}.js)
endforeach()
set_property(TARGET miruto-nana APPEND PROPERTY LINK_DEPENDS
             ${web_library_files} ${CMAKE_CURRENT_SOURCE_DIR}/asyncify-only.txt)
list(TRANSFORM web_library_files PREPEND --js-library= OUTPUT_VARIABLE web_library_options)
target_link_options(miruto-nana PRIVATE
  --no-entry
  ${web_library_options}
  -sENVIRONMENT=web
  -sALLOW_MEMORY_GROWTH=1
  -sINITIAL_MEMORY=33554432
  -sEXPORTED_RUNTIME_METHODS=ccall
  -sASYNCIFY
  -sASYNCIFY_ONLY=@${CMAKE_CURRENT_SOURCE_DIR}/asyncify-only.txt
  "-sASYNCIFY_IMPORTS=['web_message_box','web_name_dialog_wait','web_list_dialog_run','web_saves_open','web_saves_pull','web_saves_push','web_saves_put','web_replay_list_run','web_replay_fetch_linked']")
set_target_properties(miruto-nana PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${GAME_WEB_SITE_DIR})

# The replay tool runs under Node and reads its script from standard input.
target_link_options(replay PRIVATE -sENVIRONMENT=node -sALLOW_MEMORY_GROWTH=1)

# Emscripten's linker runs JavaScript helpers that Node finds only through
# NODE_PATH when the node first on PATH is not Debian's.
foreach(target miruto-nana replay)
  set_property(TARGET ${target} PROPERTY CXX_LINKER_LAUNCHER
               ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
endforeach()
