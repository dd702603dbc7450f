# The central store needs libpq (the install tier "central"). Without it
# icbusd and everything else build as before, and a site file with a
# [central] section is refused with that reason; the central tests are
# reported skipped.
find_package(PostgreSQL QUIET)
if(PostgreSQL_FOUND)
  add_subdirectory(${PROJECT_SOURCE_DIR}/site/central ${PROJECT_BINARY_DIR}/site/central)
  if(ICBUS_TESTS)
    add_subdirectory(${PROJECT_SOURCE_DIR}/tests/central ${PROJECT_BINARY_DIR}/tests/central)
  endif()
else()
  message(STATUS "the central store is not built: missing libpq (install tier central)")
  if(ICBUS_TESTS)
    add_test(NAME central COMMAND ${CMAKE_COMMAND} -E echo
             "SKIPPED: missing libpq (libpq-dev, install tier central)")
    set_tests_properties(central PROPERTIES SKIP_REGULAR_EXPRESSION "SKIPPED:" LABELS central)
  endif()
endif()
if(PostgreSQL_FOUND AND ICBUS_BENCH AND TARGET icbus_pg_server)
  add_subdirectory(${PROJECT_SOURCE_DIR}/bench/central ${PROJECT_BINARY_DIR}/bench/central)
endif()
if(PostgreSQL_FOUND AND ICBUS_INSTALL)
  include(GNUInstallDirs)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/icbusd-central.7 DESTINATION ${CMAKE_INSTALL_MANDIR}/man7)
endif()
# The tool reads the central ledger back (records export --central).
if(PostgreSQL_FOUND AND TARGET icbus_tool_core)
  target_sources(icbus_tool_core PRIVATE ${PROJECT_SOURCE_DIR}/tools/commands/central_commands.cpp)
  target_compile_definitions(icbus_tool_core PRIVATE ICBUS_TOOL_CENTRAL=1)
  target_link_libraries(icbus_tool_core PUBLIC icbus_central)
endif()
