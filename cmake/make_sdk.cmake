# Build step of the sdk target (cmake/windows_sdk.cmake): fills SDK_DIR and
# packs it into SDK_ZIP. Lists arrive joined with "|".
foreach(list HEADERS EXAMPLES PROGRAMS TOOLS DOCS)
  string(REPLACE "|" ";" ${list} "${${list}}")
endforeach()

file(REMOVE_RECURSE "${SDK_DIR}")
file(MAKE_DIRECTORY "${SDK_DIR}/bin" "${SDK_DIR}/include" "${SDK_DIR}/lib" "${SDK_DIR}/examples")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status ERROR_VARIABLE error)
  if(NOT status EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "sdk: '${command}' failed (${status}): ${error}")
  endif()
endfunction()

# The DLL without its symbols and debugging sections; the build tree keeps
# the full one for debugging.
run(${STRIP} --strip-all -o "${SDK_DIR}/bin/icbus.dll" "${DLL}")

# The import libraries. GNU ld takes the archive the build links with; an
# MSVC-compatible linker needs short import members (no code, no SEH
# question): the decorated stdcall names a C caller refers to (_GetTime@12)
# import the plain names the DLL exports (-k).
run(${CMAKE_COMMAND} -E copy "${MINGW_IMPORT_LIB}" "${SDK_DIR}/lib/libicbus.dll.a")
run(${CMAKE_COMMAND} -E copy "${DEF}" "${SDK_DIR}/lib/icbus.def")
run(${LLVM_DLLTOOL} -m i386 -k -d "${DEF}" -D icbus.dll -l "${SDK_DIR}/lib/icbus.lib")

foreach(program ${TOOLS})
  get_filename_component(name "${program}" NAME)
  run(${STRIP} --strip-all -o "${SDK_DIR}/bin/${name}" "${program}")
endforeach()
file(COPY ${HEADERS} DESTINATION "${SDK_DIR}/include")
file(COPY ${EXAMPLES} DESTINATION "${SDK_DIR}/examples")
foreach(program ${PROGRAMS})
  get_filename_component(name "${program}" NAME)
  run(${STRIP} --strip-all -o "${SDK_DIR}/examples/${name}" "${program}")
endforeach()
file(COPY ${DOCS} DESTINATION "${SDK_DIR}")

# A ZIP with the SDK's folder at its root.
file(REMOVE "${SDK_ZIP}")
get_filename_component(parent "${SDK_DIR}" DIRECTORY)
get_filename_component(name "${SDK_DIR}" NAME)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf "${SDK_ZIP}" --format=zip "${name}"
  WORKING_DIRECTORY "${parent}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "sdk: cannot write ${SDK_ZIP}")
endif()
