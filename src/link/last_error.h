// Why the calling thread's last call failed: a code of icbus.h's
// icbus_error and a sentence in UTF-8. Each export starts afresh (the
// serialised call scope resets it); the place that detects a failure records
// it, and the first failure of a call is the one kept.
#pragma once
#include <string>

namespace icbus {

void ResetLastError();
// Records `code` and `message` unless this call already recorded a failure
// or the thread is inside a QuietErrors scope.
void RecordError(int code, const std::string& message);
int LastErrorCode();
const char* LastErrorMessage();

// Steps that only tidy up after the outcome is decided (the closing "SZ!",
// the close, a beep) record nothing: their failure must neither replace the
// reason of a failed call nor mark a successful one as failed.
class QuietErrors {
 public:
  QuietErrors();
  ~QuietErrors();
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;
};

}  // namespace icbus
