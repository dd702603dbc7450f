#include "cli/each_terminal.h"

#include <sstream>
#include <string>

#include "cli/failure_reason.h"
#include "cli/report.h"

namespace icbus::tool {

std::vector<OptionSpec> TerminalListTarget() {
  return {IntegerListOption("port", "LIST", 1, 255, true,
                            "the serial port number, or several (1,2 or 1-4), or a device path"),
          IntegerListOption("machine", "LIST", 0, 999, true,
                            "the terminal's machine number, or several (1-40 or 1,5,9)"),
          CardOption()};
}

Outcome ForEachTerminal(const Context& context, TerminalHandler one) {
  const std::vector<int> ports = context.options.IntegerList("port");
  const std::vector<int> machines = context.options.IntegerList("machine");
  const std::optional<int> card = context.options.OptionalInt("card");
  if (ports.size() == 1 && machines.size() == 1) {
    return one(context, Target{ports.front(), machines.front(), card});
  }
  const bool json = WantsJson(context);
  std::size_t tried = 0, failed = 0;
  for (int port : ports) {
    for (int machine : machines) {
      if (context.host.interrupted()) break;
      const Target target{port, machine, card};
      std::ostringstream lines;
      Outcome outcome =
          one({context.options, context.bus, lines, context.err, context.host}, target);
      ++tried;
      std::istringstream each(lines.str());
      for (std::string line; std::getline(each, line);) {
        context.out << (json ? "" : Describe(target) + ": ") << line << "\n";
      }
      context.out.flush();
      if (outcome.ok) continue;
      ++failed;
      context.err << "icbus: " << FailureText(outcome, context.bus) << "\n";
    }
  }
  const std::size_t all = ports.size() * machines.size();
  if (tried < all) {
    return Outcome::Failure("interrupted after " + std::to_string(tried) + " of " +
                            std::to_string(all) + " terminals");
  }
  if (failed == 0) return Outcome::Success();
  return Outcome::Explained(std::to_string(failed) + " of " + std::to_string(all) +
                            " terminals failed");
}

}  // namespace icbus::tool
