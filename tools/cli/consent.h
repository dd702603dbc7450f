// Commands that overwrite what cannot be read back (a whole card block, a
// card that still holds money) go on only when the user agrees: with --yes,
// or by answering "y" at the terminal.
#pragma once
#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "cli/command.h"

namespace icbus::tool {

// The --yes flag of such a command; `help` says what it skips.
OptionSpec YesOption(std::string help);

// Nothing when the command may go on (--yes was given, or the user said
// yes to "WARNING. Go on?"); otherwise the outcome to end with: a usage
// failure naming --yes when there is no terminal to ask on, a failure when
// the user said no. `warning` says what would be overwritten.
std::optional<Outcome> Consent(const Context& context, const std::string& warning);

// Asks `question` on `out` and reads one line of `in`: true for "y" or
// "yes" (any case), false for anything else, including the end of input.
bool AskYesNo(std::istream& in, std::ostream& out, const std::string& question);

}  // namespace icbus::tool
