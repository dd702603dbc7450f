// time get, time set and clear: the clock and record-clearing commands.
#include <cstring>

#include "cli/each_terminal.h"
#include "cli/report.h"
#include "cli/target.h"
#include "commands/catalog.h"
#include "common/wire_text.h"

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

Outcome TimeGetAt(const Context& context, const Target& target) {
  char text[kClockTextSize + 1] = {};
  int ok = target.card ? context.bus.get_time_a(target.port, target.machine, text, *target.card)
                       : context.bus.get_time(target.port, target.machine, text);
  if (!ok) return ClockFailure(context, target, "did not answer the clock request");
  // The text is passed on as it came; one that is no date and time means a
  // terminal whose clock was never set, or a reply that is not a clock.
  const std::string clock = text;
  if (clock.size() != 14 || clock.find_first_not_of("0123456789") != std::string::npos) {
    context.err << "icbus: warning: the clock text of " << Describe(target) << ", '"
                << PrintableUtf8(clock)
                << "', is not 14 digits (YYYYMMDDhhmmss): the clock may never have been set "
                   "('icbus time set')\n";
  }
  Report(context, text,
         JsonObject()
             .Add("clock", std::string(text))
             .Add("port", target.port)
             .Add("machine", target.machine));
  return Outcome::Success();
}

Outcome TimeSetAt(const Context& context, const Target& target) {
  // The library sends the local time of the moment it builds the frame, a
  // few milliseconds after this reading: the same second, or the next.
  const std::string sent = IsoLocalTime(context.host.now(), context.host.utc_offset_minutes());
  int ok = target.card ? context.bus.set_time_a(target.port, target.machine, *target.card)
                       : context.bus.set_time(target.port, target.machine);
  if (!ok) return ClockFailure(context, target, "did not confirm the new clock");
  Report(context, "clock of " + Describe(target) + " set to " + sent,
         JsonObject()
             .Add("port", target.port)
             .Add("machine", target.machine)
             .Add("ok", true)
             .Add("clock", sent));
  return Outcome::Success();
}

Outcome TimeGet(const Context& context) { return ForEachTerminal(context, TimeGetAt); }
Outcome TimeSet(const Context& context) { return ForEachTerminal(context, TimeSetAt); }

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
       "Reads the terminal's clock and prints the text exactly as the terminal sent it. With "
       "lists of ports and machine numbers, one line per terminal.",
       TerminalListTarget(),
       TimeGet},
      {{"time", "set"},
       "set a terminal's clock to the host's local time",
       "Sets the terminal's clock to the host's local date and time at the moment of sending "
       "and prints the time sent. With lists of ports and machine numbers, one terminal after "
       "the other, one line each.",
       TerminalListTarget(),
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
