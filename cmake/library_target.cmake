# Stamps the library with the project version: the versioned file name and
# SONAME on ELF systems (libicbus.so.1 -> libicbus.so.1.0.0), the version
# resource on Windows.
if(WIN32)
  enable_language(RC)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/icbus.rc.in ${PROJECT_BINARY_DIR}/icbus.rc @ONLY)
  target_sources(icbus PRIVATE ${PROJECT_BINARY_DIR}/icbus.rc)
else()
  set_target_properties(icbus PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR})
endif()

# The name a consumer links, whether it found an installed icbus or builds
# this tree as part of its own (add_subdirectory, FetchContent).
add_library(icbus::icbus ALIAS icbus)
