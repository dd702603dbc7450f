# What `cmake --install` puts under the prefix:
#   include/icbus*.h(pp)                    the public headers
#   lib/libicbus.so.1.0.0 (+ .so.1, .so)    the library (bin/icbus.dll on Windows)
#   lib/cmake/icbus/                        find_package(icbus) -> icbus::icbus
#   lib/pkgconfig/icbus.pc                  pkg-config --cflags --libs icbus
#   bin/icbus, bin/icbus-sim                the tool and the simulator
#   share/man/man1/icbus.1, icbus-sim.1     their manual pages
#   bin/icbusd, lib/systemd/system/icbusd.service, share/icbusd/site.sample.toml,
#   share/man/man8/icbusd.8, man5/icbusd-site.5   the site's service (when built)
#   share/doc/icbus/                        README, LICENSE, CHANGELOG, the reference pages
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ICBUS_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/icbus)

install(TARGETS icbus EXPORT icbusTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h" PATTERN "*.hpp")

install(EXPORT icbusTargets NAMESPACE icbus:: DESTINATION ${ICBUS_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/icbusConfig.cmake.in
  ${PROJECT_BINARY_DIR}/icbusConfig.cmake INSTALL_DESTINATION ${ICBUS_CMAKE_DIR})
# A program built against 1.x runs with any later 1.y.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/icbusConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/icbusConfig.cmake ${PROJECT_BINARY_DIR}/icbusConfigVersion.cmake
  DESTINATION ${ICBUS_CMAKE_DIR})

# The .pc file names the prefix it was installed under, which is known only
# at install time (cmake --install --prefix, the package's /usr): the
# template is made now, the prefix filled in by the install step.
set(ICBUS_PC_PREFIX "@ICBUS_INSTALL_PREFIX@")
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(ICBUS_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(ICBUS_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/icbus.pc.in ${PROJECT_BINARY_DIR}/icbus.pc.in @ONLY)
install(CODE "
  set(ICBUS_PC_TEMPLATE \"${PROJECT_BINARY_DIR}/icbus.pc.in\")
  set(ICBUS_PC_STAGE \"${PROJECT_BINARY_DIR}/pkgconfig\")
  set(ICBUS_PC_DESTINATION \"${CMAKE_INSTALL_LIBDIR}/pkgconfig\")")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/install_pkgconfig.cmake)

# The programs find the library beside them, under any prefix.
foreach(program icbus_tool icbus-sim icbusd)
  if(TARGET ${program})
    file(RELATIVE_PATH to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/${to_lib}")
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
if(TARGET icbus_tool)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/icbus.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(TARGET icbus-sim)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/icbus-sim.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(TARGET icbusd)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/icbusd.8 DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/icbusd-site.5 DESTINATION ${CMAKE_INSTALL_MANDIR}/man5)
  install(FILES ${PROJECT_SOURCE_DIR}/service/icbusd.service DESTINATION lib/systemd/system)
  install(FILES ${PROJECT_SOURCE_DIR}/service/site.sample.toml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icbusd)
endif()
install(FILES
    ${PROJECT_SOURCE_DIR}/README.md
    ${PROJECT_SOURCE_DIR}/LICENSE
    ${PROJECT_SOURCE_DIR}/CHANGELOG.md
    ${PROJECT_SOURCE_DIR}/docs/installation-file.md
    ${PROJECT_SOURCE_DIR}/docs/troubleshooting.md
    ${PROJECT_SOURCE_DIR}/docs/architecture.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Where Debian looks for a package's licence.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
