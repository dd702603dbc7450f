#include "link/last_error.h"

namespace icbus {
namespace {

struct LastError {
  int code = 0;
  std::string message;
  unsigned quiet = 0;
};

LastError& Mine() {
  thread_local LastError last;
  return last;
}

}  // namespace

void ResetLastError() {
  LastError& last = Mine();
  last.code = 0;
  last.message.clear();
}

void RecordError(int code, const std::string& message) {
  LastError& last = Mine();
  if (last.quiet > 0 || last.code != 0 || code == 0) return;
  last.code = code;
  last.message = message;
}

int LastErrorCode() { return Mine().code; }

const char* LastErrorMessage() { return Mine().message.c_str(); }

QuietErrors::QuietErrors() { ++Mine().quiet; }
QuietErrors::~QuietErrors() { --Mine().quiet; }

}  // namespace icbus
