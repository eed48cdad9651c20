# The page on phones and large screens, installable and kept offline:
# included by web/CMakeLists.txt once web_form is defined. Copies the
# layout and offline code, the manifest and the app icons into the site,
# and once every other part of the site is there writes the service worker
# with the list of all its files (whatever the site holds then) and a
# version made from their contents.
set(web_extra_outputs)
web_copy_into_site(web_extra_outputs "web/page/screen.js=screen.js" "web/page/screen.css=screen.css"
                   "web/page/offline.js=offline.js"
                   "web/page/manifest.webmanifest=manifest.webmanifest"
                   "resources/icons/app-192.png=icons/app-192.png"
                   "resources/icons/app-512.png=icons/app-512.png"
                   "resources/icons/app-maskable-512.png=icons/app-maskable-512.png")
add_custom_target(web_screen_files DEPENDS ${web_extra_outputs})
add_dependencies(web_form web_screen_files)

# After everything else web_form depends on; the worker is rewritten only
# when the list or a file changed.
add_custom_command(TARGET web_form POST_BUILD
                   COMMAND ${CMAKE_COMMAND} -DSITE_DIR=${GAME_WEB_DIR}
                           -DTEMPLATE=${CMAKE_CURRENT_SOURCE_DIR}/offline/worker.js
                           -P ${CMAKE_CURRENT_SOURCE_DIR}/offline/worker.cmake
                   VERBATIM)
