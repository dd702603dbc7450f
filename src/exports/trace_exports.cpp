// The process-wide wire trace, switched by the host at run time as
// ICBUS_TRACE switches it when the library loads.
#include <string>

#include "icbus.h"
#include "link/api_lock.h"
#include "link/failure_text.h"
#include "link/last_error.h"
#include "link/trace.h"

extern "C" {

ICBUS_API icbus_bool ICBUS_CALL icbus_set_trace_file(const char* target) {
  ICBUS_SERIALISED;
  std::string wanted = target ? target : "";
  if (icbus::SetTraceTarget(wanted)) return 1;
  icbus::RecordError(ICBUS_ERR_BAD_ARGUMENT, "cannot append the wire trace to " + wanted);
  return 0;
}

}  // extern "C"
