// C entry points of the terminal administration commands.
#include "link/api_lock.h"
#include "icbus.h"
#include "terminal/clock_commands.h"

namespace t = icbus::terminal;

extern "C" {

ICBUS_API int ICBUS_CALL GetTime(int port, int machine, char* out) {
  ICBUS_SERIALISED;
  return t::GetTime(port, machine, out, std::nullopt);
}

ICBUS_API int ICBUS_CALL GetTimeA(int port, int machine, char* out, int card) {
  ICBUS_SERIALISED;
  return t::GetTime(port, machine, out, card);
}

ICBUS_API int ICBUS_CALL SetTime(int port, int machine) {
  ICBUS_SERIALISED;
  return t::SetTime(port, machine, std::nullopt);
}

ICBUS_API int ICBUS_CALL SetTimeA(int port, int machine, int card) {
  ICBUS_SERIALISED;
  return t::SetTime(port, machine, card);
}

ICBUS_API int ICBUS_CALL Clear(int port, int machine) {
  ICBUS_SERIALISED;
  return t::Clear(port, machine, std::nullopt);
}

ICBUS_API int ICBUS_CALL ClearA(int port, int machine, int card) {
  ICBUS_SERIALISED;
  return t::Clear(port, machine, card);
}

}  // extern "C"
