#include "link/refusal.h"

#include "icbus.h"
#include "link/last_error.h"

namespace icbus {

static_assert(ICBUS_ERR_BAD_ARGUMENT == 1, "Refusal's default code");

void RecordRefusal(const Refusal& refusal) {
  RecordError(refusal.code(), refusal.reason() + "; nothing was sent");
}

Checked<std::string> Digits(long long value, int width, const std::string& what) {
  std::string digits = std::to_string(value);
  if (value < 0 || digits.size() > static_cast<std::size_t>(width)) {
    return Refusal(what + " " + digits + " does not fit its " + std::to_string(width) +
                   " digits (0 to " + std::string(static_cast<std::size_t>(width), '9') + ")");
  }
  return std::string(static_cast<std::size_t>(width) - digits.size(), '0') + digits;
}

std::optional<Refusal> OutOfRange(long long value, long long low, long long high,
                                  const std::string& what) {
  if (value >= low && value <= high) return std::nullopt;
  return Refusal(what + " " + std::to_string(value) + " is not " + std::to_string(low) + " to " +
                 std::to_string(high));
}

}  // namespace icbus
