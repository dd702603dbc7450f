// The first pass over argv: which words name the command, which tokens are
// options and their values. It knows nothing of the command table.
#pragma once
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace icbus::tool {

struct CommandLine {
  std::vector<std::string> words;  // the command path, as typed
  std::vector<std::pair<std::string, std::string>>
      options;           // name (no dashes), value ("" for a flag)
  bool help = false;     // --help or -h anywhere
  bool version = false;  // --version anywhere
};

// Splits the arguments after the program name. Options are "--name VALUE" or
// "--name=VALUE" and may stand before, between or after the words; every
// option but --help, --version and the names in `flags` takes a value.
// Fails, with the reason in `error`, on a single-dash token, a bare "--", a
// name not in `known` (when given), an option whose value is missing or a
// flag given a value.
bool SplitCommandLine(const std::vector<std::string>& args, const std::set<std::string>& flags,
                      CommandLine* line, std::string* error,
                      const std::set<std::string>* known = nullptr);

// The same for a command line without flags.
bool SplitCommandLine(const std::vector<std::string>& args, CommandLine* line, std::string* error);

}  // namespace icbus::tool
