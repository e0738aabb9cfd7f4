# Debian's default build flags (dpkg-buildflags: stack protector, fortified
# functions, format checks, read-only relocations) for the optimised builds,
# the ones that are packaged; sanitized and debug builds keep their own.
option(HONEYFOLD_DEBIAN_FLAGS "Add Debian's default build flags (dpkg-buildflags) to optimised builds" ON)
find_program(HONEYFOLD_DPKG_BUILDFLAGS dpkg-buildflags)
if(HONEYFOLD_DEBIAN_FLAGS AND HONEYFOLD_DPKG_BUILDFLAGS AND NOT HONEYFOLD_SANITIZE AND NOT HONEYFOLD_SANITIZE_THREAD
   AND CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo)$")
  foreach(kind CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${HONEYFOLD_DPKG_BUILDFLAGS} --get ${kind} WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE debian_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE)
  endforeach()
  string(APPEND CMAKE_C_FLAGS " ${debian_CPPFLAGS} ${debian_CFLAGS}")
  string(APPEND CMAKE_CXX_FLAGS " ${debian_CPPFLAGS} ${debian_CXXFLAGS}")
  foreach(kind EXE SHARED MODULE)
    string(APPEND CMAKE_${kind}_LINKER_FLAGS " ${debian_LDFLAGS}")
  endforeach()
  message(STATUS "honeyfold: Debian's build flags: ${debian_CPPFLAGS} ${debian_CXXFLAGS} ${debian_LDFLAGS}")
endif()
