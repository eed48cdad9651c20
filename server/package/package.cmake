# The score service as a Debian package of its own, miruto-nana-server: the
# program in /usr/sbin, its settings in /etc, a systemd unit that runs it as
# its own user with its state in /var/lib/miruto-nana-server, and a manual
# page. Made by a Release build of the core and the service alone:
#   cmake -S . -B build-server -DCMAKE_BUILD_TYPE=Release -DGAME_CORE_ONLY=ON \
#         -DGAME_TESTS=OFF -DGAME_TOOLS=OFF -DGAME_SERVER_PACKAGE=ON
#   cmake --build build-server --target package
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(GAME_HOMEPAGE "https://mirutonana.jp" CACHE STRING "The game's home page")
set(GAME_MAINTAINER_EMAIL "team@mirutonana.jp" CACHE STRING "The package maintainer's address")
set(here ${CMAKE_CURRENT_SOURCE_DIR}/package)

install(TARGETS miruto-nana-server RUNTIME DESTINATION sbin)
# Outside the prefix: the settings and the unit go where the system looks.
install(FILES ${here}/miruto-nana-server.conf DESTINATION /etc
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(FILES ${here}/miruto-nana-server.service DESTINATION /lib/systemd/system
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

configure_file(${here}/changelog changelog.Debian @ONLY)
find_program(GZIP_PROGRAM gzip REQUIRED)
set(man_gz ${CMAKE_CURRENT_BINARY_DIR}/miruto-nana-server.8.gz)
set(changelog_gz ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
add_custom_command(
  OUTPUT ${man_gz} ${changelog_gz}
  COMMAND ${GZIP_PROGRAM} -9nc ${here}/miruto-nana-server.8 > ${man_gz}
  COMMAND ${GZIP_PROGRAM} -9nc ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian > ${changelog_gz}
  DEPENDS ${here}/miruto-nana-server.8 ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian
  COMMENT "Compressing the service's manual page and change log")
add_custom_target(server_package_files ALL DEPENDS ${man_gz} ${changelog_gz})
install(FILES ${man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)
install(FILES ${changelog_gz} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/miruto-nana-server)
install(FILES ${CMAKE_SOURCE_DIR}/desktop/copyright
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/miruto-nana-server)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME miruto-nana-server)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "ミルトとナナ制作室 <${GAME_MAINTAINER_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "world score table for the miruto-nana browser game")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The service behind the world table of the small arcade game
miruto-nana. A page starts a session and later sends the session's replay;
the service plays the replay again through the game's own core and stores
each game's score only when the replay reaches it. It keeps its table in
SQLite, or in PostgreSQL, where several instances can run side by side,
and can serve the game's browser form from the same address.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${GAME_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${here}/conffiles ${here}/postinst ${here}/prerm
                                       ${here}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
