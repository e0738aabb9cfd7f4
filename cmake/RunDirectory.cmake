# Makes the build directory a run directory: the shader sources beside the
# executable, so that the programs load even before the archives exist.
# Only the stages' own files: an editor's or a patch's leftovers (name.orig,
# name~) are not shaders.
file(GLOB HONEYFOLD_SHADER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/shaders/*.vs ${CMAKE_SOURCE_DIR}/shaders/*.fs)
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
