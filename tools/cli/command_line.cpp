#include "cli/command_line.h"

namespace icbus::tool {

bool SplitCommandLine(const std::vector<std::string>& args, const std::set<std::string>& flags,
                      CommandLine* line, std::string* error, const std::set<std::string>* known) {
  *line = CommandLine();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& token = args[i];
    if (token == "--help" || token == "-h") {
      line->help = true;
      continue;
    }
    if (token.rfind("--", 0) != 0) {
      // Short options do not exist; a stray "-5" is a value whose option was
      // forgotten, and guessing which one could address the wrong terminal.
      if (!token.empty() && token[0] == '-') {
        *error = "unknown option '" + token + "'";
        return false;
      }
      line->words.push_back(token);
      continue;
    }
    if (token == "--version") {
      line->version = true;
      continue;
    }
    std::string name = token.substr(2);
    std::string value;
    // A typo is named as such, not as an option whose value is missing.
    std::string bare = name.substr(0, name.find('='));
    if (known && !bare.empty() && known->count(bare) == 0) {
      *error = "unknown option --" + bare;
      return false;
    }
    if (size_t equals = name.find('='); equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
      if (flags.count(name) != 0) {
        *error = "option --" + name + " takes no value";
        return false;
      }
    } else if (flags.count(name) != 0) {
      // A flag never takes the next token: "--ex add" must leave "add" a word.
    } else if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
      value = args[++i];
    } else {
      *error = name.empty() ? "unexpected '--'" : "option --" + name + " needs a value";
      return false;
    }
    if (name.empty()) {
      *error = "unexpected '" + token + "'";
      return false;
    }
    line->options.emplace_back(name, value);
  }
  return true;
}

bool SplitCommandLine(const std::vector<std::string>& args, CommandLine* line, std::string* error) {
  return SplitCommandLine(args, {}, line, error, nullptr);
}

}  // namespace icbus::tool
