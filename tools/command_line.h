// The first pass over argv: which words name the command, which tokens are
// options and their values. It knows nothing of the command table.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace icbus::tool {

struct CommandLine {
  std::vector<std::string> words;                            // the command path, as typed
  std::vector<std::pair<std::string, std::string>> options;  // name (no dashes), value
  bool help = false;                                         // --help or -h anywhere
};

// Splits the arguments after the program name. Options are "--name VALUE" or
// "--name=VALUE" and may stand before, between or after the words; every
// option but --help takes a value. Fails, with the reason in `error`, on a
// single-dash token, a bare "--" or an option whose value is missing.
bool SplitCommandLine(const std::vector<std::string>& args, CommandLine* line, std::string* error);

}  // namespace icbus::tool
