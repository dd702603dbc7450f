#include "cli/failure_reason.h"

#include <cctype>
#include <cstdlib>

#include "host/port_holder.h"

namespace icbus::tool {

std::string OpenAdvice(const std::string& reason) {
  const std::string marker = "(port ";
  std::size_t at = reason.find(marker);
  if (at == std::string::npos) return "";
  std::string digits;
  for (std::size_t i = at + marker.size();
       i < reason.size() && std::isdigit(static_cast<unsigned char>(reason[i])); ++i) {
    digits += reason[i];
  }
  if (digits.empty()) return "";
#if defined(_WIN32)
  return " \u2014 check that COM" + digits +
         " exists (Device Manager) and no other program uses it";
#else
  const std::string variable = "ICBUS_COM" + digits;
  // Set already, the variable is what to look at, not what to set.
  if (const char* set = std::getenv(variable.c_str()); set && *set) {
    return " \u2014 " + variable + " is " + set +
           ": check that the device exists and that you may use it (group dialout)";
  }
  return " \u2014 set " + variable + " or check that you may use the device (group dialout)";
#endif
}

namespace {

bool HidesTheCause(int code) {
  switch (code) {
    case ICBUS_ERR_PORT_OPEN:
    case ICBUS_ERR_PORT_HELD:
    case ICBUS_ERR_PORT_BUSY:
    case ICBUS_ERR_LINE_SETTINGS:
    case ICBUS_ERR_NOT_OPEN:
    case ICBUS_ERR_TRANSFER:
    case ICBUS_ERR_SILENT:
    case ICBUS_ERR_NO_BANG:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string LibraryReason(const BusApi& bus) {
  if (!bus.last_error || !bus.last_error_message || !HidesTheCause(bus.last_error())) return "";
  const char* message = bus.last_error_message();
  return message ? message : "";
}

std::string FailureText(const Outcome& outcome, const BusApi& bus) {
  if (outcome.ok || outcome.usage || outcome.explained || !bus.last_error ||
      !bus.last_error_message) {
    return outcome.message;
  }
  const int code = bus.last_error();
  const char* message = bus.last_error_message();
  if (!HidesTheCause(code) || !message || !*message) return outcome.message;
  std::string reason = message;
  if (code == ICBUS_ERR_PORT_OPEN) reason += OpenAdvice(reason);
  if (code == ICBUS_ERR_PORT_BUSY) reason += HolderAdvice(reason);
  return reason;
}

}  // namespace icbus::tool
