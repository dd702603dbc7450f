// The terminal a command speaks to: port, machine number and, for the
// six-digit address, the management card number.
#pragma once
#include <optional>
#include <string>

#include "options.h"

namespace icbus::tool {

OptionSpec PortOption();
OptionSpec MachineOption();
OptionSpec CardOption();

struct Target {
  int port = 0;
  int machine = 0;
  std::optional<int> card;  // set: address with the management card number
};

// Reads the target from options already checked against the specs above.
Target TargetFrom(const OptionValues& options);

// "terminal 5 on port 1", or "terminal 5 (card 123456) on port 1".
std::string Describe(const Target& target);

}  // namespace icbus::tool
