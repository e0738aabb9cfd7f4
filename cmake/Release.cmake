# The release: `cmake --install` lays the demo out to be played from
# anywhere (scripts/package makes a .deb and a .tar.gz of it with CPack).
#   games/honeyfold               the launcher: a directory of the user's own, then the demo
#   lib/games/honeyfold/          the executable and the window library
#   share/games/honeyfold/        music.zip and shaders.zip
#   share/applications/, share/metainfo/, share/icons/hicolor/NNxNN/apps/
#                                 the menu entry, its AppStream data, its icons
#   share/man/man6/, share/doc/honeyfold/   the manual page, copyright, changelog
# A demo is what Debian files under games: /usr/games, /usr/lib/games,
# /usr/share/games and manual section 6.
include(GNUInstallDirs)
set(HONEYFOLD_ID io.github.honeyfold.Honeyfold)
set(HONEYFOLD_BINDIR games)
set(HONEYFOLD_LIBDIR lib/games/honeyfold)
set(HONEYFOLD_DATADIR ${CMAKE_INSTALL_DATADIR}/games/honeyfold)
set(HONEYFOLD_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/honeyfold)
set(HONEYFOLD_MAINTAINER "honeyfold developers <honeyfold@users.noreply.github.com>" CACHE STRING
    "The packages' maintainer, NAME <ADDRESS>")
set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(staged ${CMAKE_BINARY_DIR}/packaging)

set_target_properties(honeyfold PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS honeyfold gl4d RUNTIME DESTINATION ${HONEYFOLD_LIBDIR} LIBRARY DESTINATION ${HONEYFOLD_LIBDIR})
install(FILES ${CMAKE_BINARY_DIR}/music.zip ${CMAKE_BINARY_DIR}/shaders.zip DESTINATION ${HONEYFOLD_DATADIR})
configure_file(${packaging}/honeyfold.in ${staged}/honeyfold @ONLY)
install(PROGRAMS ${staged}/honeyfold DESTINATION ${HONEYFOLD_BINDIR})

# The menu entry, its AppStream data and its icons (scripts/render-icon made
# them from the show; installing runs nothing).
install(FILES ${packaging}/${HONEYFOLD_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${packaging}/${HONEYFOLD_ID}.metainfo.xml ${staged}/${HONEYFOLD_ID}.metainfo.xml @ONLY)
install(FILES ${staged}/${HONEYFOLD_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES ${packaging}/icons/${size}x${size}.png RENAME ${HONEYFOLD_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# The manual page and the changelog, compressed as Debian wants them (best
# compression, no name or date inside); the copyright in Debian's format.
configure_file(${packaging}/changelog.in ${staged}/changelog @ONLY)
set(compressed)
foreach(pair "${packaging}/honeyfold.6|honeyfold.6.gz" "${staged}/changelog|changelog.gz")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  add_custom_command(OUTPUT ${staged}/${to} COMMAND sh -c "gzip -9nc \"$1\" >\"$2\"" gzip ${from} ${staged}/${to}
                     DEPENDS ${from} VERBATIM)
  list(APPEND compressed ${staged}/${to})
endforeach()
add_custom_target(honeyfold_release_files ALL DEPENDS ${compressed})
install(FILES ${staged}/honeyfold.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${staged}/changelog.gz ${packaging}/copyright DESTINATION ${HONEYFOLD_DOCDIR})

set(CPACK_PACKAGE_NAME honeyfold)
set(CPACK_PACKAGE_VENDOR "honeyfold developers")
set(CPACK_PACKAGE_CONTACT "${HONEYFOLD_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running audiovisual demo: a striped bee over a noise landscape")
set(CPACK_PACKAGE_DESCRIPTION "honeyfold plays a show of about two and a half minutes, full screen, with
the sound it makes itself: a drone, snow and a countdown, then its own
tracker module. A white figure eight grows out of the dark and scatters, a
spiral turns, a striped bee flies over a landscape shaped by noise before a
sky coloured from a hue ramp, watched by a chase camera, and the credits
roll. Escape or q ends the show.

Its window library can also record the show offline, frame by frame at
exact show times, to a video (with ffmpeg) or to still pictures.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR "DEB;TGZ")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The run-time libraries from the executable and the window library
# themselves (dpkg-shlibdeps); the font is read as a file, and the GL
# dispatch libraries are loaded at run time (libepoxy): GLVND's libgl1 and
# libegl1 serve whichever vendor's driver is installed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, libgl1, libegl1")
include(CPack)
