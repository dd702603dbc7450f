# Install step: writes icbus.pc with the prefix this install goes to and
# installs it (DESTDIR applies, as for every other file).
# Set by install.cmake: ICBUS_PC_TEMPLATE, ICBUS_PC_STAGE, ICBUS_PC_DESTINATION.
file(READ "${ICBUS_PC_TEMPLATE}" text)
string(REPLACE "@ICBUS_INSTALL_PREFIX@" "${CMAKE_INSTALL_PREFIX}" text "${text}")
file(WRITE "${ICBUS_PC_STAGE}/icbus.pc" "${text}")
if(IS_ABSOLUTE "${ICBUS_PC_DESTINATION}")
  set(destination "${ICBUS_PC_DESTINATION}")
else()
  set(destination "${CMAKE_INSTALL_PREFIX}/${ICBUS_PC_DESTINATION}")
endif()
file(INSTALL DESTINATION "${destination}" TYPE FILE FILES "${ICBUS_PC_STAGE}/icbus.pc")
