#include "help.h"

#include <algorithm>

#include "resolve.h"

namespace icbus::tool {
namespace {

std::string Form(const OptionSpec& spec) {
  return "--" + spec.name + (spec.value_name.empty() ? "" : " " + spec.value_name);
}

std::string Synopsis(const OptionSpec& spec) {
  return spec.required ? Form(spec) : "[" + Form(spec) + "]";
}

std::string Note(const OptionSpec& spec) {
  if (spec.required) return " (required)";
  if (!spec.default_value.empty()) return " (default " + spec.default_value + ")";
  return "";
}

std::string Padded(const std::string& text, size_t width) {
  return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

}  // namespace

std::string CommandHelp(const Command& command) {
  std::vector<const OptionSpec*> all;
  for (const OptionSpec& spec : command.options) all.push_back(&spec);
  for (const OptionSpec& spec : GlobalOptions()) all.push_back(&spec);

  std::string text = "Usage: icbus " + JoinPath(command.path);
  for (const OptionSpec* spec : all) text += " " + Synopsis(*spec);
  text += "\n\n" + command.description + "\n\nOptions:\n";

  size_t width = std::string("--help").size();
  for (const OptionSpec* spec : all) width = std::max(width, Form(*spec).size());
  for (const OptionSpec* spec : all) {
    text += "  " + Padded(Form(*spec), width) + "  " + spec->help + Note(*spec) + "\n";
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
