// Help texts, built from the command table so they never drift from it.
#pragma once
#include <string>
#include <vector>

#include "cli/command.h"

namespace icbus::tool {

// The usage line, description and options of one command.
std::string CommandHelp(const Command& command);

// The commands whose path starts with `words` (all of them for no words),
// one line each with its summary.
std::string GroupHelp(const CommandTable& table, const std::vector<std::string>& words);

// "icbus time get --help": where to look after a usage error.
std::string HelpHint(const std::vector<std::string>& words);

}  // namespace icbus::tool
