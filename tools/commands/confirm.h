// The 1-or-0 answer of a terminal command, as an outcome with one line.
#pragma once
#include <string>

#include "cli/command.h"
#include "cli/target.h"

namespace icbus::tool {

// 1: prints "TARGET took WHAT"; anything else: fails with "TARGET did not
// confirm WHAT". `what` names the setting: "the meal period 107300900".
Outcome Confirmed(const Context& context, const Target& target, int result,
                  const std::string& what);

}  // namespace icbus::tool
