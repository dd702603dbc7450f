// C entry points of the card list commands.
#include "link/api_lock.h"
#include "icbus.h"
#include "terminal/card_lists.h"

namespace t = icbus::terminal;

extern "C" {

ICBUS_API int ICBUS_CALL SetOpenCard(int port, int machine, const char* card) {
  ICBUS_SERIALISED;
  return t::SetOpenCard(port, machine, card);
}

ICBUS_API int ICBUS_CALL DelOpenCard(int port, int machine, const char* card) {
  ICBUS_SERIALISED;
  return t::DelOpenCard(port, machine, card);
}

ICBUS_API int ICBUS_CALL ClearOpenCard(int port, int machine) {
  ICBUS_SERIALISED;
  return t::ClearOpenCard(port, machine);
}

ICBUS_API int ICBUS_CALL SetOpenCardEx(int port, int machine, const char* card) {
  ICBUS_SERIALISED;
  return t::SetOpenCardEx(port, machine, card);
}

ICBUS_API int ICBUS_CALL DelOpenCardEx(int port, int machine, const char* card) {
  ICBUS_SERIALISED;
  return t::DelOpenCardEx(port, machine, card);
}

ICBUS_API int ICBUS_CALL ClearOpenCardEx(int port, int machine) {
  ICBUS_SERIALISED;
  return t::ClearOpenCardEx(port, machine);
}

ICBUS_API int ICBUS_CALL QueryCard(int port, int machine, const char* card) {
  ICBUS_SERIALISED;
  return t::QueryCard(port, machine, card);
}

}  // extern "C"
