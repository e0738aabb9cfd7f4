# The release: `cmake --install` lays the demo out to be played from
# anywhere (scripts/package makes a .deb and a .tar.gz of it with CPack).
#   bin/honeyfold                 the launcher: a directory of the user's own, then the demo
#   lib/honeyfold/                the executable and the window library
#   share/honeyfold/              music.zip and shaders.zip
#   share/applications/, share/icons/hicolor/256x256/apps/   the menu entry and its icon
include(GNUInstallDirs)
set(HONEYFOLD_LIBDIR ${CMAKE_INSTALL_LIBDIR}/honeyfold)
set(HONEYFOLD_DATADIR ${CMAKE_INSTALL_DATADIR}/honeyfold)
set(HONEYFOLD_ICONDIR ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
set_target_properties(honeyfold PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS honeyfold gl4d RUNTIME DESTINATION ${HONEYFOLD_LIBDIR} LIBRARY DESTINATION ${HONEYFOLD_LIBDIR})
install(FILES ${CMAKE_BINARY_DIR}/music.zip ${CMAKE_BINARY_DIR}/shaders.zip DESTINATION ${HONEYFOLD_DATADIR})
configure_file(${PROJECT_SOURCE_DIR}/packaging/honeyfold.in ${CMAKE_BINARY_DIR}/packaging/honeyfold @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/honeyfold DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/honeyfold.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The icon is a frame of the show, the bee seen from above, rendered offscreen
# at install time by the demo itself from a scratch run directory.
install(CODE "
  set(run \"${CMAKE_BINARY_DIR}/packaging/icon-run\")
  file(REMOVE_RECURSE \"\${run}\")
  file(MAKE_DIRECTORY \"\${run}\")
  file(COPY \"${CMAKE_BINARY_DIR}/music.zip\" \"${CMAKE_BINARY_DIR}/shaders.zip\" DESTINATION \"\${run}\")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
                          \"$<TARGET_FILE:honeyfold>\" --gl4d-stills=64 --gl4d-size=256x256 --gl4d-fps=10
                  WORKING_DIRECTORY \"\${run}\" RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(NOT status EQUAL 0 OR NOT EXISTS \"\${run}/still-064.000.png\")
    message(FATAL_ERROR \"honeyfold: the icon could not be rendered (status \${status})\")
  endif()
  file(INSTALL \"\${run}/still-064.000.png\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${HONEYFOLD_ICONDIR}\"
       RENAME honeyfold.png)
")

set(CPACK_PACKAGE_NAME honeyfold)
set(CPACK_PACKAGE_VENDOR honeyfold)
set(CPACK_PACKAGE_CONTACT "honeyfold developers <honeyfold@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running audiovisual demo: a striped bee over a noise landscape")
set(CPACK_GENERATOR "DEB;TGZ")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The run-time libraries from the executable and the window library
# themselves (dpkg-shlibdeps); the font and the GL driver are not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, libgl1-mesa-dri | libgl1")
include(CPack)
