# Each example program against icbus-sim, checked by its output, the file it
# wrote and the frames on the wire. Included by examples/CMakeLists.txt.
set(ICBUS_RUN_WITH_SIM ${CMAKE_CURRENT_LIST_DIR}/run-with-sim.sh)

# The built-in installation: terminal 5 holds 12 consumption records.
add_test(NAME example_clock_collect
  COMMAND ${ICBUS_RUN_WITH_SIM} --sim $<TARGET_FILE:icbus-sim>
          --work ${CMAKE_CURRENT_BINARY_DIR}/run/clock_collect
          --file stdout.txt "^clock of terminal 5: 20260101080000$"
          --file stdout.txt "^collected 12 records into records.txt$"
          --lines records.txt 12
          --file records.txt "^202612010800001000000000100500000005$"
          --file records.txt "^202612010800111000110001200500011005$"
          --wire "^> M SA005!$" --wire "^> S SD!$" --wire "^> S SK!$" --wire "^> S SC!$"
          -- $<TARGET_FILE:clock_collect> 1 5 records.txt)

# A card writer with one blank card.
add_test(NAME example_card_issue
  COMMAND ${ICBUS_RUN_WITH_SIM} --sim $<TARGET_FILE:icbus-sim>
          --config ${PROJECT_SOURCE_DIR}/examples/card-writer.json
          --work ${CMAKE_CURRENT_BINARY_DIR}/run/card_issue
          --file stdout.txt "^card 074565 holds 50.0 yuan$"
          # The key, then the issued block and the topped-up one (500 tenths,
          # F401 little-endian; top-up count 1), written with no parity.
          --wire "^> N SGFFFFFFFFFFFF!$"
          --wire "^> N SW02104523610000000000000000C800214305!$"
          --wire "^> N SW02104523610100F40100000000C800214305!$"
          -- $<TARGET_FILE:card_issue> 1 74565 50)

# The C++ interface with fast replies: the same frames as the C calls.
add_test(NAME example_bus_records
  COMMAND ${ICBUS_RUN_WITH_SIM} --sim $<TARGET_FILE:icbus-sim>
          --work ${CMAKE_CURRENT_BINARY_DIR}/run/bus_records
          --file stdout.txt "^clock of terminal 5: 20260101080000$"
          --file stdout.txt "^terminal 5 holds 12 records$"
          --file stdout.txt "^202612010800111000110001200500011005$"
          --file stdout.txt "^downloaded 12 records$"
          --wire "^> M SA005!$" --wire "^> S SD!$" --wire "^> S SK!$" --wire "^> S SC!$"
          -- $<TARGET_FILE:bus_records> 1 5)

set_tests_properties(example_clock_collect example_card_issue example_bus_records PROPERTIES
  LABELS examples TIMEOUT 60)


# The installations shown in the simulator's reference are ones it accepts.
add_test(NAME doc_installation_examples
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/check-doc-installations.sh --sim $<TARGET_FILE:icbus-sim>
          --page ${PROJECT_SOURCE_DIR}/docs/installation-file.md
          --work ${CMAKE_CURRENT_BINARY_DIR}/run/doc_installations)
set_tests_properties(doc_installation_examples PROPERTIES LABELS examples TIMEOUT 60)
