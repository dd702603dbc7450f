// Who holds a serial device another program has locked: on Linux the
// process that has it open, found in /proc, so the tool can say "icbusd
// holds it" rather than only that someone does.
#pragma once
#include <string>

namespace icbus::tool {

// " — icbusd (pid 812) holds it: ..." for the device that `reason` (the
// library's sentence) names; empty when no holder can be found.
std::string HolderAdvice(const std::string& reason);

}  // namespace icbus::tool
