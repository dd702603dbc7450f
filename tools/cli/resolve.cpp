#include "cli/resolve.h"

#include <algorithm>
#include <set>

#include "cli/command_line.h"

namespace icbus::tool {
namespace {

bool StartsWith(const std::vector<std::string>& path, const std::vector<std::string>& words) {
  return words.size() <= path.size() && std::equal(words.begin(), words.end(), path.begin());
}

const OptionSpec* FindOption(const Command& command, const std::string& name) {
  for (const OptionSpec& option : command.options) {
    if (option.name == name) return &option;
  }
  for (const OptionSpec& option : GlobalOptions()) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

Resolution UsageError(std::string error, const Command* command,
                      std::vector<std::string> group = {}) {
  Resolution resolution;
  resolution.kind = Resolution::Kind::kUsageError;
  resolution.command = command;
  resolution.group = std::move(group);
  resolution.error = std::move(error);
  return resolution;
}

// Neither a command nor the start of one: say what the words could lead to.
Resolution ResolveGroup(const CommandLine& line, const CommandTable& table) {
  std::vector<const Command*> under = CommandsUnder(table, line.words);
  if (under.empty()) return UsageError("unknown command '" + JoinPath(line.words) + "'", nullptr);
  if (line.help) {
    Resolution resolution;
    resolution.kind = Resolution::Kind::kGroupHelp;
    resolution.group = line.words;
    return resolution;
  }
  if (line.words.empty()) return UsageError("no command given", nullptr);
  return UsageError("'" + JoinPath(line.words) + "' needs a subcommand", nullptr, line.words);
}

// Every option name of the table (`flags_only`: the flags). The splitter
// must know the flags to leave the token after one alone, and every name to
// call a typo unknown.
std::set<std::string> OptionNames(const CommandTable& table, bool flags_only) {
  std::set<std::string> names;
  auto add = [&](const OptionSpec& option) {
    if (!flags_only || option.kind == ValueKind::kFlag) names.insert(option.name);
  };
  for (const Command& command : table) {
    for (const OptionSpec& option : command.options) add(option);
  }
  for (const OptionSpec& option : GlobalOptions()) add(option);
  return names;
}

}  // namespace

std::vector<const Command*> CommandsUnder(const CommandTable& table,
                                          const std::vector<std::string>& words) {
  std::vector<const Command*> found;
  for (const Command& command : table) {
    if (StartsWith(command.path, words)) found.push_back(&command);
  }
  return found;
}

Resolution Resolve(const std::vector<std::string>& args, const CommandTable& table) {
  CommandLine line;
  std::string error;
  const std::set<std::string> known = OptionNames(table, false);
  if (!SplitCommandLine(args, OptionNames(table, true), &line, &error, &known)) {
    return UsageError(error, nullptr);
  }
  // "icbus --version" is the version command, with --json if given.
  if (line.version) {
    if (!line.words.empty()) {
      return UsageError("--version stands alone, not with '" + JoinPath(line.words) + "'", nullptr);
    }
    line.words = {"version"};
  }

  auto exact = std::find_if(table.begin(), table.end(),
                            [&](const Command& command) { return command.path == line.words; });
  if (exact == table.end()) return ResolveGroup(line, table);
  const Command& command = *exact;

  Resolution resolution;
  resolution.command = &command;
  if (line.help) {
    resolution.kind = Resolution::Kind::kCommandHelp;
    return resolution;
  }
  for (const auto& [name, value] : line.options) {
    const OptionSpec* option = FindOption(command, name);
    if (!option) {
      return UsageError("'" + JoinPath(command.path) + "' has no option --" + name, &command);
    }
    if (resolution.options.Has(name)) return UsageError("--" + name + " is given twice", &command);
    if (option->kind != ValueKind::kFlag) {
      if (auto why = CheckValue(*option, value)) return UsageError(*why, &command);
    }
    resolution.options.Set(name, value);
  }
  for (const OptionSpec& option : command.options) {
    if (resolution.options.Has(option.name)) continue;
    if (option.required) {
      return UsageError("'" + JoinPath(command.path) + "' needs --" + option.name, &command);
    }
    if (!option.default_value.empty()) resolution.options.Set(option.name, option.default_value);
  }
  resolution.kind = Resolution::Kind::kRun;
  return resolution;
}

}  // namespace icbus::tool
