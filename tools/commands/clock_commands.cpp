// time get, time set and clear: the clock and record-clearing commands.
#include <cstring>

#include "cli/report.h"
#include "cli/target.h"
#include "commands/catalog.h"

namespace icbus::tool {
namespace {

// The library writes at most 14 characters and the terminator.
constexpr size_t kClockTextSize = 15;

// A terminal that answers its address with anything but "OK" did answer:
// it refused, and the library says with what.
Outcome ClockFailure(const Context& context, const Target& target, const std::string& words) {
  const BusApi& bus = context.bus;
  if (bus.last_error && bus.last_error() == ICBUS_ERR_UNEXPECTED_REPLY && bus.last_error_message) {
    return Outcome::Explained(Describe(target) + " refused: " + bus.last_error_message());
  }
  return Outcome::Failure(Describe(target) + " " + words);
}

Outcome TimeGet(const Context& context) {
  Target target = TargetFrom(context.options);
  char text[kClockTextSize + 1] = {};
  int ok = target.card ? context.bus.get_time_a(target.port, target.machine, text, *target.card)
                       : context.bus.get_time(target.port, target.machine, text);
  if (!ok) return ClockFailure(context, target, "did not answer the clock request");
  Report(context, text,
         JsonObject()
             .Add("clock", std::string(text))
             .Add("port", target.port)
             .Add("machine", target.machine));
  return Outcome::Success();
}

Outcome TimeSet(const Context& context) {
  Target target = TargetFrom(context.options);
  int ok = target.card ? context.bus.set_time_a(target.port, target.machine, *target.card)
                       : context.bus.set_time(target.port, target.machine);
  if (!ok) return ClockFailure(context, target, "did not confirm the new clock");
  ReportDone(context, "clock of " + Describe(target) + " set to the host's local time");
  return Outcome::Success();
}

Outcome Clear(const Context& context) {
  Target target = TargetFrom(context.options);
  int ok = target.card ? context.bus.clear_a(target.port, target.machine, *target.card)
                       : context.bus.clear(target.port, target.machine);
  if (!ok) return Outcome::Failure(Describe(target) + " did not confirm clearing its records");
  ReportDone(context, "records of " + Describe(target) + " cleared");
  return Outcome::Success();
}

}  // namespace

CommandTable ClockCommands() {
  const std::vector<OptionSpec> target = {PortOption(), MachineOption(), CardOption()};
  return {
      {{"time", "get"},
       "read a terminal's clock",
       "Reads the terminal's clock and prints the text exactly as the terminal sent it.",
       target,
       TimeGet},
      {{"time", "set"},
       "set a terminal's clock to the host's local time",
       "Sets the terminal's clock to the host's local date and time at the moment of sending.",
       target,
       TimeSet},
      {{"clear"},
       "delete the records a terminal holds",
       "Tells the terminal to delete every record it holds. Download them first: nothing brings "
       "them back.",
       target,
       Clear},
  };
}

}  // namespace icbus::tool
