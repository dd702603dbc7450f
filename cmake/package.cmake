# `cpack` in a native build tree makes icbus_<version>_<arch>.deb: the
# library, its headers and development files, the tool, the simulator and
# their manual pages, installed under /usr. Its dependencies are worked out
# from the binaries by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_PACKAGE_NAME icbus)
set(CPACK_PACKAGE_VENDOR "the icbus developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
  "icbus drives the canteen, attendance and top-up terminals of an IC-card\n"
  "installation and a desktop card writer over a 19200-baud serial line.\n"
  "This package holds the shared library and its C header, the CMake and\n"
  "pkg-config files to build against it, the icbus command-line tool and\n"
  "the icbus-sim device simulator.")
string(CONCAT CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Debugging information stays in the build tree.
set(CPACK_STRIP_FILES TRUE)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "the icbus developers <icbus@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The library's own directory, so dpkg-shlibdeps resolves the programs'
# link to libicbus.so.1 inside the package instead of looking for it on
# the system.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${PROJECT_BINARY_DIR}/src")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
