#include "host/port_holder.h"

namespace icbus::tool {

// Windows names no holder of a COM port to other programs.
std::string HolderAdvice(const std::string&) { return ""; }

}  // namespace icbus::tool
