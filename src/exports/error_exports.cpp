// Why the calling thread's last call failed. These two read the record and
// leave it as it is: they are no call of their own.
#include "icbus.h"
#include "link/last_error.h"

extern "C" {

ICBUS_API int ICBUS_CALL icbus_last_error(void) { return icbus::LastErrorCode(); }

ICBUS_API const char* ICBUS_CALL icbus_last_error_message(void) {
  return icbus::LastErrorMessage();
}

}  // extern "C"
