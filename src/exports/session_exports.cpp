// C entry points beyond the ordinal table: fast replies, and sessions of
// their own for hosts (and the C++ interface) that work several buses.
#include <cstring>
#include <new>
#include <string>

#include "icbus.h"
#include "link/api_lock.h"
#include "link/engine.h"
#include "link/failure_text.h"
#include "link/last_error.h"
#include "link/session.h"
#include "terminal/probe.h"

struct icbus_session {
  icbus::Session session;
};

namespace {

// Longest device name the session keeps (MAX_PATH less its terminator).
constexpr std::size_t kMaxDevice = 259;

}  // namespace

extern "C" {

ICBUS_API void ICBUS_CALL icbus_set_fast_replies(int on) {
  ICBUS_SERIALISED;
  icbus::DefaultSession().fast_replies = on != 0;
}

ICBUS_API icbus_session* ICBUS_CALL icbus_session_new(void) {
  icbus::ResetLastError();
  return new (std::nothrow) icbus_session;
}

ICBUS_API void ICBUS_CALL icbus_session_free(icbus_session* handle) {
  if (!handle) return;
  {
    std::lock_guard<icbus::FairLock> hold(handle->session.lock);
    if (icbus::PortHeld(handle->session)) icbus::EndSession(handle->session, 0);
  }
  delete handle;
}

ICBUS_API icbus_bool ICBUS_CALL icbus_session_set_device(icbus_session* handle,
                                                         const char* device) {
  icbus::ResetLastError();
  if (!handle) {
    icbus::RecordBadArgument("no session");
    return 0;
  }
  std::size_t length = device ? std::strlen(device) : 0;
  if (length > kMaxDevice) {
    icbus::RecordBadArgument("a device name longer than 259 bytes");
    return 0;
  }
  std::lock_guard<icbus::FairLock> hold(handle->session.lock);
  handle->session.device.assign(device ? device : "", length);
  return 1;
}

ICBUS_API void ICBUS_CALL icbus_session_set_fast_replies(icbus_session* handle, int on) {
  if (!handle) return;
  std::lock_guard<icbus::FairLock> hold(handle->session.lock);
  handle->session.fast_replies = on != 0;
}

ICBUS_API icbus_bool ICBUS_CALL icbus_session_set_settle(icbus_session* handle, int milliseconds) {
  icbus::ResetLastError();
  if (!handle) {
    icbus::RecordBadArgument("no session");
    return 0;
  }
  if (milliseconds < 0 || milliseconds > static_cast<int>(icbus::kMaxSettleMs)) {
    icbus::RecordBadArgument("a settle time of " + std::to_string(milliseconds) +
                             " ms: give 0 (no wait) to 60000 ms");
    return 0;
  }
  std::lock_guard<icbus::FairLock> hold(handle->session.lock);
  handle->session.settle_ms = static_cast<std::uint32_t>(milliseconds);
  handle->session.unsettled = false;
  return 1;
}

ICBUS_API void ICBUS_CALL icbus_session_set_trace(icbus_session* handle,
                                                  icbus_trace_callback callback, void* context) {
  icbus::ResetLastError();
  if (!handle) return;
  std::lock_guard<icbus::FairLock> hold(handle->session.lock);
  if (!callback) {
    handle->session.trace = nullptr;
    return;
  }
  handle->session.trace = [callback, context](const std::string& line) {
    callback(line.c_str(), context);
  };
}

ICBUS_API void ICBUS_CALL icbus_session_enter(icbus_session* handle) {
  if (handle) icbus::EnterSession(handle->session);
}

ICBUS_API void ICBUS_CALL icbus_session_leave(icbus_session* handle) {
  if (handle) icbus::LeaveSession(handle->session);
}

ICBUS_API int ICBUS_CALL icbus_end_download(void) {
  ICBUS_SERIALISED;
  if (!icbus::PortHeld()) {
    icbus::RecordNotOpen();
    return 0;
  }
  icbus::EndSession(0);
  return 1;
}

ICBUS_API int ICBUS_CALL icbus_probe(int machine) {
  ICBUS_SERIALISED;
  return icbus::terminal::Probe(machine);
}

}  // extern "C"
