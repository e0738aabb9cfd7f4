# Packs the run directory's archives beside the executable: shaders.zip from
# shaders/ and, once the soundtrack target exists, music.zip from the module
# it writes. Every member carries one fixed stored date, so that a build from
# the same sources gives the same archives byte for byte.
set(HONEYFOLD_ARCHIVE_DATE "2025-01-01 00:00:00")

add_library(hf_zip_writer STATIC ${PROJECT_SOURCE_DIR}/tools/zip_writer.cpp)
target_include_directories(hf_zip_writer PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(hf_zip_writer PUBLIC PkgConfig::MINIZIP PkgConfig::ZLIB)

add_executable(honeyfold_mkzip ${PROJECT_SOURCE_DIR}/tools/mkzip.cpp)
target_link_libraries(honeyfold_mkzip PRIVATE hf_zip_writer)

# In the order the demo extracts them.
set(HONEYFOLD_SHADER_MEMBERS
  shaders/basic3d.vs shaders/perlin.fs shaders/br.fs shaders/tex.fs shaders/spi.fs shaders/mix.fs
  shaders/credits.fs shaders/basic.fs shaders/perlin.vs shaders/basic.vs shaders/fond.fs)

# honeyfold_archive(<archive> <base dir> <members...> [DEPENDS ...])
function(honeyfold_archive archive base)
  cmake_parse_arguments(A "" "" "DEPENDS" ${ARGN})
  set(inputs)
  foreach(member ${A_UNPARSED_ARGUMENTS})
    list(APPEND inputs ${base}/${member})
  endforeach()
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${archive}
    COMMAND honeyfold_mkzip ${CMAKE_BINARY_DIR}/${archive} ${HONEYFOLD_ARCHIVE_DATE} ${base} ${A_UNPARSED_ARGUMENTS}
    DEPENDS honeyfold_mkzip ${inputs} ${A_DEPENDS}
    COMMENT "Packing ${archive}" VERBATIM)
  set(HONEYFOLD_ARCHIVE_OUTPUTS ${HONEYFOLD_ARCHIVE_OUTPUTS} ${CMAKE_BINARY_DIR}/${archive} PARENT_SCOPE)
endfunction()

set(HONEYFOLD_ARCHIVE_OUTPUTS)
honeyfold_archive(shaders.zip ${PROJECT_SOURCE_DIR} ${HONEYFOLD_SHADER_MEMBERS})
if(TARGET velvora_mod)
  honeyfold_archive(music.zip ${CMAKE_BINARY_DIR} audio/velvora.mod DEPENDS velvora_mod)
  set(HONEYFOLD_HAS_MUSIC_ZIP ON)
else()
  message(STATUS "honeyfold: no soundtrack target (velvora_mod) yet, music.zip is not built")
  set(HONEYFOLD_HAS_MUSIC_ZIP OFF)
endif()
add_custom_target(honeyfold_archives ALL DEPENDS ${HONEYFOLD_ARCHIVE_OUTPUTS})
add_dependencies(honeyfold honeyfold_archives)
