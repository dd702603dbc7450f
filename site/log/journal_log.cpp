#include "log/journal_log.h"

#include <unistd.h>

namespace icbus::site {

namespace {

void Write(const char* priority, const std::string& message) {
  // One write() per line: stderr is unbuffered and lines from several
  // workers must not interleave.
  std::string line = priority + message + "\n";
  ssize_t ignored = ::write(STDERR_FILENO, line.data(), line.size());
  (void)ignored;
}

}  // namespace

void LogError(const std::string& message) { Write("<3>", message); }
void LogWarning(const std::string& message) { Write("<4>", message); }
void LogInfo(const std::string& message) { Write("<6>", message); }

}  // namespace icbus::site
