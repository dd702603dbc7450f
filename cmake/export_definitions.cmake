# The module-definition file for icbus.dll on the target architecture.
#
# src/exports/icbus.def is the one list of exports. Its names carry the
# 32-bit stdcall decoration (GetTime@12), which is how the i686 compiler
# names the functions and what --kill-at strips from the export names. An
# x86_64 compiler has a single calling convention and decorates nothing, so
# for it the file is rewritten at configure time without the "@<bytes>"
# after each name; the ordinals ("@5" after the blank) stay as they are.

# Sets <out_var> to the .def file to link with: <source> itself for a 32-bit
# target, else a copy without decorations in the current binary directory.
function(icbus_export_definitions source out_var)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(${out_var} "${source}" PARENT_SCOPE)
    return()
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
  file(READ "${source}" text)
  string(REGEX REPLACE "([A-Za-z_][A-Za-z0-9_]*)@[0-9]+([ \t])" "\\1\\2" text "${text}")
  get_filename_component(name "${source}" NAME)
  set(generated "${CMAKE_CURRENT_BINARY_DIR}/${name}")
  # Rewritten only when it changes, so a reconfigure relinks nothing.
  set(previous "")
  if(EXISTS "${generated}")
    file(READ "${generated}" previous)
  endif()
  if(NOT previous STREQUAL text)
    file(WRITE "${generated}" "${text}")
  endif()
  set(${out_var} "${generated}" PARENT_SCOPE)
endfunction()
