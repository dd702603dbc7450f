#include "cli/consent.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace icbus::tool {

OptionSpec YesOption(std::string help) { return FlagOption("yes", std::move(help)); }

std::optional<Outcome> Consent(const Context& context, const std::string& warning) {
  if (context.options.Has("yes")) return std::nullopt;
  std::optional<bool> answer = context.host.ask(warning + ". Go on?");
  if (!answer) {
    return Outcome::Usage(warning + "; give --yes to go on (there is no terminal to ask on)");
  }
  if (!*answer) return Outcome::Explained("nothing was written: the answer was no");
  return std::nullopt;
}

bool AskYesNo(std::istream& in, std::ostream& out, const std::string& question) {
  out << question << " [y/N] " << std::flush;
  std::string line;
  if (!std::getline(in, line)) {
    out << "\n";
    return false;
  }
  line.erase(std::remove_if(line.begin(), line.end(),
                            [](unsigned char c) { return std::isspace(c) != 0; }),
             line.end());
  std::transform(line.begin(), line.end(), line.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return line == "y" || line == "yes";
}

}  // namespace icbus::tool
