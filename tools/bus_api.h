// The library functions the tool calls, as a table of pointers: the real
// exports in the program, recording fakes in the tool's tests.
#pragma once
#include "icbus.h"

namespace icbus::tool {

struct BusApi {
  icbus_bool(ICBUS_CALL* set_dec_len)(const char* text);
  int(ICBUS_CALL* get_time)(int port, int machine, char* out);
  int(ICBUS_CALL* get_time_a)(int port, int machine, char* out, int card);
  int(ICBUS_CALL* set_time)(int port, int machine);
  int(ICBUS_CALL* set_time_a)(int port, int machine, int card);
  int(ICBUS_CALL* clear)(int port, int machine);
  int(ICBUS_CALL* clear_a)(int port, int machine, int card);
};

// The exports of the icbus library this program is linked against.
const BusApi& LibraryApi();

}  // namespace icbus::tool
