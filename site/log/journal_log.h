// Log lines on standard error with the journal's priority prefixes ("<3>",
// "<4>", "<6>"), which journald turns into priorities and a terminal shows
// as they are. One line per call, whole lines even from several threads.
#pragma once
#include <string>

namespace icbus::site {

void LogError(const std::string& message);
void LogWarning(const std::string& message);
void LogInfo(const std::string& message);

}  // namespace icbus::site
