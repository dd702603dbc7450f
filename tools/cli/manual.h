// The manual page and the bash completion, built from the command table as
// the help texts are, so none of them can drift from the program.
#pragma once
#include <string>

#include "cli/command.h"

namespace icbus::tool {

// docs/icbus.1: the fixed sections and one entry per command with its options.
std::string ManualPage(const CommandTable& table);

// docs/icbus.bash-completion: command words, then each command's options.
std::string BashCompletion(const CommandTable& table);

}  // namespace icbus::tool
