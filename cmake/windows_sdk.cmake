# The Windows SDK: one ZIP for integrators of the 32-bit icbus.dll, made by
#   cmake --build build/win32 --target sdk
# (also part of the default build of a 32-bit configuration). It holds
#   bin/icbus.dll          stripped, with its version resource
#   bin/icbus-console.exe  opens the library's console (where the build has it)
#   bin/icbus.exe          the command-line tool (where the build has it)
#   include/               icbus.h and the other public headers
#   lib/icbus.def          the export list: names with argument bytes, ordinals
#   lib/libicbus.dll.a     import library for MinGW (GNU ld)
#   lib/icbus.lib          import library for MSVC-compatible linkers (short
#                          import format, links under the default /SAFESEH)
#   examples/              the example programs, sources and 32-bit builds
#   README-windows.md, LICENSE, CHANGELOG.md
# The DLL is the 32-bit product; a 64-bit configuration (the Wine test
# vehicle) makes no SDK.
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  return()
endif()

find_program(ICBUS_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-16 llvm-dlltool-15 llvm-dlltool-14
  DOC "llvm-dlltool, which writes the MSVC-compatible import library (Debian package llvm)")
if(NOT ICBUS_LLVM_DLLTOOL)
  message(WARNING "llvm-dlltool not found (Debian package llvm): the sdk target will fail")
  set(ICBUS_LLVM_DLLTOOL llvm-dlltool-not-found)
endif()

set(ICBUS_SDK_NAME icbus-${PROJECT_VERSION}-win32-sdk)
set(ICBUS_SDK_DIR ${PROJECT_BINARY_DIR}/sdk/${ICBUS_SDK_NAME})
set(ICBUS_SDK_ZIP ${PROJECT_BINARY_DIR}/${ICBUS_SDK_NAME}.zip)
file(GLOB ICBUS_SDK_HEADERS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/include/*.h
     ${PROJECT_SOURCE_DIR}/include/*.hpp)
set(ICBUS_SDK_EXAMPLES
  ${PROJECT_SOURCE_DIR}/examples/CMakeLists.txt
  ${PROJECT_SOURCE_DIR}/examples/clock_collect.c
  ${PROJECT_SOURCE_DIR}/examples/card_issue.c
  ${PROJECT_SOURCE_DIR}/examples/bus_records.cpp
  ${PROJECT_SOURCE_DIR}/examples/card-writer.json)
set(ICBUS_SDK_PROGRAMS $<TARGET_FILE:clock_collect> $<TARGET_FILE:card_issue> $<TARGET_FILE:bus_records>)
set(ICBUS_SDK_TOOLS "")
set(ICBUS_SDK_TOOL_TARGETS "")
if(TARGET icbus-console)
  list(APPEND ICBUS_SDK_TOOLS $<TARGET_FILE:icbus-console>)
  list(APPEND ICBUS_SDK_TOOL_TARGETS icbus-console)
endif()
if(TARGET icbus_tool)
  list(APPEND ICBUS_SDK_TOOLS $<TARGET_FILE:icbus_tool>)
  list(APPEND ICBUS_SDK_TOOL_TARGETS icbus_tool)
endif()
set(ICBUS_SDK_DOCS
  ${PROJECT_SOURCE_DIR}/docs/README-windows.md
  ${PROJECT_SOURCE_DIR}/LICENSE
  ${PROJECT_SOURCE_DIR}/CHANGELOG.md)

# Lists go to the script joined with "|", which no path here contains.
string(REPLACE ";" "|" headers "${ICBUS_SDK_HEADERS}")
string(REPLACE ";" "|" examples "${ICBUS_SDK_EXAMPLES}")
string(REPLACE ";" "|" programs "${ICBUS_SDK_PROGRAMS}")
string(REPLACE ";" "|" tools "${ICBUS_SDK_TOOLS}")
string(REPLACE ";" "|" docs "${ICBUS_SDK_DOCS}")
add_custom_command(OUTPUT ${ICBUS_SDK_ZIP}
  COMMAND ${CMAKE_COMMAND}
          -DSDK_DIR=${ICBUS_SDK_DIR} -DSDK_ZIP=${ICBUS_SDK_ZIP}
          -DDLL=$<TARGET_FILE:icbus> -DMINGW_IMPORT_LIB=$<TARGET_LINKER_FILE:icbus>
          -DDEF=${PROJECT_SOURCE_DIR}/src/exports/icbus.def
          -DSTRIP=${CMAKE_STRIP} -DLLVM_DLLTOOL=${ICBUS_LLVM_DLLTOOL}
          "-DHEADERS=${headers}" "-DEXAMPLES=${examples}" "-DPROGRAMS=${programs}" "-DTOOLS=${tools}"
          "-DDOCS=${docs}"
          -P ${CMAKE_CURRENT_LIST_DIR}/make_sdk.cmake
  DEPENDS icbus clock_collect card_issue bus_records ${ICBUS_SDK_TOOL_TARGETS}
          ${CMAKE_CURRENT_LIST_DIR}/make_sdk.cmake
          ${PROJECT_SOURCE_DIR}/src/exports/icbus.def ${ICBUS_SDK_HEADERS} ${ICBUS_SDK_EXAMPLES}
          ${ICBUS_SDK_DOCS}
  COMMENT "Packing ${ICBUS_SDK_NAME}.zip"
  VERBATIM)
add_custom_target(sdk ALL DEPENDS ${ICBUS_SDK_ZIP})

if(ICBUS_TESTS)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/sdk ${PROJECT_BINARY_DIR}/tests/sdk)
endif()
