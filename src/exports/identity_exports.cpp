// C entry points of the identity, password and state commands.
#include "link/api_lock.h"
#include "icbus.h"
#include "terminal/identity.h"

namespace t = icbus::terminal;

extern "C" {

ICBUS_API int ICBUS_CALL SetMachNo(int port, const char* number) {
  ICBUS_SERIALISED;
  return t::SetMachNo(port, number);
}

ICBUS_API int ICBUS_CALL SetMasterCard(int port, const char* card) {
  ICBUS_SERIALISED;
  return t::SetMasterCard(port, card);
}

ICBUS_API int ICBUS_CALL SetMasterCardA(int port, int machine, const char* card,
                                        int current_card) {
  ICBUS_SERIALISED;
  return t::SetMasterCardA(port, machine, card, current_card);
}

ICBUS_API int ICBUS_CALL Log_onPass(int port, const char* old_password) {
  ICBUS_SERIALISED;
  return t::LogOnPass(port, old_password);
}

ICBUS_API int ICBUS_CALL SetPass(int port, const char* password) {
  ICBUS_SERIALISED;
  return t::SetPass(port, password);
}

ICBUS_API int ICBUS_CALL SetPassA(int port, const char* password) {
  ICBUS_SERIALISED;
  return t::SetPassA(port, password);
}

ICBUS_API int ICBUS_CALL SetMachRead(int port, int machine) {
  ICBUS_SERIALISED;
  return t::SetMachRead(port, machine);
}

ICBUS_API int ICBUS_CALL GetMachStyle(int port, int machine) {
  ICBUS_SERIALISED;
  return t::GetMachStyle(port, machine);
}

ICBUS_API int ICBUS_CALL SetMachStyle(int port, int machine, int style) {
  ICBUS_SERIALISED;
  return t::SetMachStyle(port, machine, style);
}

ICBUS_API int ICBUS_CALL GetState(int port, int machine) {
  ICBUS_SERIALISED;
  return t::GetState(port, machine);
}

ICBUS_API int ICBUS_CALL SetPause(int port, int machine, int pause) {
  ICBUS_SERIALISED;
  return t::SetPause(port, machine, pause);
}

// Shows a dialog and waits for the person: no lock, so other threads can
// keep using the bus meanwhile.
ICBUS_API int ICBUS_CALL GetDllVersion(void) { return t::ShowVersion(); }

ICBUS_API const char* ICBUS_CALL icbus_version(void) { return ICBUS_VERSION_STRING; }

}  // extern "C"
