// C entry points of the port session.
#include "link/api_lock.h"
#include "icbus.h"
#include "link/session.h"

extern "C" {

ICBUS_API icbus_bool ICBUS_CALL icDevInit(const char* digits) {
  ICBUS_SERIALISED;
  return icbus::DevInit(digits) ? 1 : 0;
}

ICBUS_API int ICBUS_CALL icDevClose(void) {
  ICBUS_SERIALISED;
  return icbus::DevClose();
}

ICBUS_API icbus_bool ICBUS_CALL ChangeicDevSettings(int mode) {
  ICBUS_SERIALISED;
  return icbus::ChangeDevSettings(mode) ? 1 : 0;
}

ICBUS_API icbus_bool ICBUS_CALL SetDecLen(const char* text) {
  ICBUS_SERIALISED;
  return icbus::SetDecimalLength(text) ? 1 : 0;
}

}  // extern "C"
