#include "cli/command.h"

namespace icbus::tool {

const std::vector<OptionSpec>& GlobalOptions() {
  static const std::vector<OptionSpec> options = {
      ChoiceOption("decimals", {"1", "2"},
                   "decimal places of amounts: 1 for tenths of a yuan (the default), 2 for "
                   "hundredths"),
      FlagOption("fast",
                 "fast replies: a reply read ends at its \"!\" instead of waiting out the "
                 "read time-out; results and frames stay the same"),
      FlagOption("json",
                 "print results as JSON, one object a line, for programs; failures stay "
                 "one line of text on standard error"),
  };
  return options;
}

void ApplyGlobalOptions(const OptionValues& options, const BusApi& bus) {
  // The library keeps the setting for the process, starting at tenths, so it
  // is only passed on when asked for.
  if (options.Has("decimals")) bus.set_dec_len(options.Text("decimals").c_str());
  if (options.Has("fast")) bus.set_fast_replies(1);
}

std::string JoinPath(const std::vector<std::string>& path) {
  std::string joined;
  for (const std::string& word : path) joined += (joined.empty() ? "" : " ") + word;
  return joined;
}

}  // namespace icbus::tool
