// The second pass over argv: matches the words against the command table and
// checks every option against the command's descriptions.
#pragma once
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/options.h"

namespace icbus::tool {

struct Resolution {
  enum class Kind { kRun, kCommandHelp, kGroupHelp, kUsageError };
  Kind kind = Kind::kUsageError;
  const Command* command = nullptr;  // kRun, kCommandHelp; kUsageError once the command is known
  std::vector<std::string> group;    // kGroupHelp and group-level usage errors: the words typed
  OptionValues options;              // kRun: the command's and the global options
  std::string error;                 // kUsageError
};

Resolution Resolve(const std::vector<std::string>& args, const CommandTable& table);

// The commands whose path begins with `words`, in table order.
std::vector<const Command*> CommandsUnder(const CommandTable& table,
                                          const std::vector<std::string>& words);

}  // namespace icbus::tool
