// Fakes of the port session, the decimal setting, the clock and clearing.
#include <cstring>

#include "fake_bus_parts.h"

namespace icbus::tool::fake {
namespace {

int ReadClock(int result, char* out) {
  // The library writes the buffer only on success.
  if (result) std::strcpy(out, Bus().clock.c_str());
  return result;
}

}  // namespace

void AddLinkFakes(BusApi* api) {
  api->dev_init = [](const char* digits) -> icbus_bool { return Call("icDevInit", digits); };
  api->dev_close = []() { return Call("icDevClose"); };
  api->change_dev_settings = [](int mode) -> icbus_bool {
    return Call("ChangeicDevSettings", mode);
  };
  api->set_dec_len = [](const char* text) -> icbus_bool {
    Note("SetDecLen", text);
    return 1;
  };
  api->get_time = [](int port, int machine, char* out) {
    return ReadClock(Call("GetTime", port, machine), out);
  };
  api->get_time_a = [](int port, int machine, char* out, int card) {
    return ReadClock(Call("GetTimeA", port, machine, card), out);
  };
  api->set_time = [](int port, int machine) { return Call("SetTime", port, machine); };
  api->set_time_a = [](int port, int machine, int card) {
    return Call("SetTimeA", port, machine, card);
  };
  api->clear = [](int port, int machine) { return Call("Clear", port, machine); };
  api->clear_a = [](int port, int machine, int card) {
    return Call("ClearA", port, machine, card);
  };
}

}  // namespace icbus::tool::fake
