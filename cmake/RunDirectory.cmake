# Makes the build directory a run directory: the shader sources beside the
# executable, so that the programs load even before the archives exist.
file(GLOB HONEYFOLD_SHADER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/shaders/*)
set(HONEYFOLD_SHADER_COPIES)
foreach(src ${HONEYFOLD_SHADER_SOURCES})
  get_filename_component(name ${src} NAME)
  set(dst ${CMAKE_BINARY_DIR}/shaders/${name})
  add_custom_command(OUTPUT ${dst}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${src} ${dst}
    DEPENDS ${src} VERBATIM)
  list(APPEND HONEYFOLD_SHADER_COPIES ${dst})
endforeach()
add_custom_target(honeyfold_shaders ALL DEPENDS ${HONEYFOLD_SHADER_COPIES})
