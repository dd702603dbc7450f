#include "cli/help.h"

#include <algorithm>

#include "cli/resolve.h"

namespace icbus::tool {
namespace {

std::string Form(const OptionSpec& option) {
  return "--" + option.name + (option.value_name.empty() ? "" : " " + option.value_name);
}

std::string Synopsis(const OptionSpec& option) {
  return option.required ? Form(option) : "[" + Form(option) + "]";
}

std::string Note(const OptionSpec& option) {
  if (option.required) return " (required)";
  if (!option.default_value.empty()) return " (default " + option.default_value + ")";
  return "";
}

std::string Padded(const std::string& text, size_t width) {
  return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

}  // namespace

std::string CommandHelp(const Command& command) {
  std::vector<const OptionSpec*> all;
  for (const OptionSpec& option : command.options) all.push_back(&option);
  for (const OptionSpec& option : GlobalOptions()) all.push_back(&option);

  std::string text = "Usage: icbus " + JoinPath(command.path);
  for (const OptionSpec* option : all) text += " " + Synopsis(*option);
  text += "\n\n" + command.description + "\n\nOptions:\n";

  size_t width = std::string("--help").size();
  for (const OptionSpec* option : all) width = std::max(width, Form(*option).size());
  for (const OptionSpec* option : all) {
    text += "  " + Padded(Form(*option), width) + "  " + option->help + Note(*option) + "\n";
  }
  text += "  " + Padded("--help", width) + "  show this help\n";
  return text;
}

std::string GroupHelp(const CommandTable& table, const std::vector<std::string>& words) {
  std::vector<const Command*> under = CommandsUnder(table, words);
  std::string prefix = "icbus" + (words.empty() ? "" : " " + JoinPath(words));
  std::string text = "Usage: " + prefix + " COMMAND [options]\n\n";
  if (words.empty()) {
    text += "Drives the IC-card terminals on a serial bus through the icbus library.\n\n";
  }
  text += "Commands:\n";
  size_t width = 0;
  for (const Command* command : under) width = std::max(width, JoinPath(command->path).size());
  for (const Command* command : under) {
    text += "  " + Padded(JoinPath(command->path), width) + "  " + command->summary + "\n";
  }
  text += "\nRun 'icbus COMMAND --help' for the options of a command.\n";
  return text;
}

std::string HelpHint(const std::vector<std::string>& words) {
  return "Try 'icbus" + (words.empty() ? "" : " " + JoinPath(words)) + " --help'.";
}

}  // namespace icbus::tool
