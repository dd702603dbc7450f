// Commands that take lists of ports and machine numbers ("--port 1,2
// --machine 1-40") and work each terminal in turn, one line each.
#pragma once
#include <vector>

#include "cli/command.h"
#include "cli/options.h"
#include "cli/target.h"

namespace icbus::tool {

// --port and --machine as lists, and --card.
std::vector<OptionSpec> TerminalListTarget();

using TerminalHandler = Outcome (*)(const Context& context, const Target& target);

// Runs `one` for every machine number on every port. For one terminal its
// outcome is the command's. For several, each result line starts with the
// terminal ("terminal 5 on port 1: "; JSON objects name port and machine
// themselves), each failure is a line on standard error, and the command
// fails when any terminal did; Ctrl-C stops before the next terminal.
Outcome ForEachTerminal(const Context& context, TerminalHandler one);

}  // namespace icbus::tool
