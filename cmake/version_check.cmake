# The project version is the release's one number. include/icbus_version.h
# carries it to C and C++ callers (and to icbus --version and the DLL's
# version resource through them), so a release that bumps one and forgets the
# other must not build.
function(icbus_check_header_version header)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${header}")
  file(READ "${header}" text)
  foreach(part MAJOR MINOR PATCH)
    if(NOT text MATCHES "#define ICBUS_VERSION_${part} ([0-9]+)")
      message(FATAL_ERROR "${header} does not define ICBUS_VERSION_${part}")
    endif()
    set(header_${part} "${CMAKE_MATCH_1}")
  endforeach()
  if(NOT text MATCHES "#define ICBUS_VERSION_STRING \"([^\"]*)\"")
    message(FATAL_ERROR "${header} does not define ICBUS_VERSION_STRING")
  endif()
  set(header_string "${CMAKE_MATCH_1}")
  set(parts "${header_MAJOR}.${header_MINOR}.${header_PATCH}")
  if(NOT parts STREQUAL PROJECT_VERSION OR NOT header_string STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR
      "${header} says version ${parts} (\"${header_string}\") but the project is "
      "${PROJECT_VERSION}: change both together")
  endif()
endfunction()
