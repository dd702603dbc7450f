// machine reader-mode set, machine style get|set, machine state, machine
// pause|resume, version: a terminal's mode and service state, and the
// library's version.
#include "cli/report.h"
#include "cli/target.h"
#include "commands/catalog.h"
#include "icbus_version.h"

namespace icbus::tool {
namespace {

// The style decides what the first card list holds.
std::string StyleName(int style) {
  switch (style) {
    case 0:
      return "0 (loss-reporting: the first list holds lost cards)";
    case 1:
      return "1 (account-opening: the first list holds opened cards)";
    default:
      return std::to_string(style);
  }
}

Outcome ReaderModeSet(const Context& context) {
  Target target = TargetFrom(context.options);
  if (!context.bus.set_mach_read(target.port, target.machine)) {
    return Outcome::Failure(Describe(target) + " did not confirm card reader mode");
  }
  ReportDone(context, Describe(target) + " is now a card reader/writer");
  return Outcome::Success();
}

Outcome StyleGet(const Context& context) {
  Target target = TargetFrom(context.options);
  int style = context.bus.get_mach_style(target.port, target.machine);
  if (style < 0) return Outcome::Failure(Describe(target) + " did not report its style");
  Report(context, StyleName(style), JsonObject().Add("style", style));
  return Outcome::Success();
}

Outcome StyleSet(const Context& context) {
  Target target = TargetFrom(context.options);
  int style = static_cast<int>(context.options.Integer("style"));
  // "SW5!" is the frame that reads the style; 5 is no style.
  if (style == 5) return Outcome::Usage("--style 5 is not a style: it would read the style");
  if (!context.bus.set_mach_style(target.port, target.machine, style)) {
    return Outcome::Failure(Describe(target) + " did not confirm the style");
  }
  ReportDone(context, "style of " + Describe(target) + " set to " + StyleName(style));
  return Outcome::Success();
}

Outcome State(const Context& context) {
  Target target = TargetFrom(context.options);
  int state = context.bus.get_state(target.port, target.machine);
  if (state < 0) return Outcome::Failure(Describe(target) + " did not report its state");
  Report(context, state == 1 ? "in service" : "out of service",
         JsonObject().Add("in_service", state == 1));
  return Outcome::Success();
}

Outcome SetService(const Context& context, bool pause) {
  Target target = TargetFrom(context.options);
  if (!context.bus.set_pause(target.port, target.machine, pause ? 1 : 0)) {
    return Outcome::Failure(Describe(target) + " did not confirm going " +
                            (pause ? "out of" : "into") + " service");
  }
  ReportDone(context, Describe(target) + (pause ? " out of service" : " back in service"));
  return Outcome::Success();
}

Outcome Pause(const Context& context) { return SetService(context, true); }
Outcome Resume(const Context& context) { return SetService(context, false); }

Outcome Version(const Context& context) {
  const std::string library = LibraryRelease(context.bus);
  Report(context, VersionLine(library),
         JsonObject().Add("tool", ICBUS_VERSION_STRING).Add("library", library));
  return Outcome::Success();
}

}  // namespace

std::string LibraryRelease(const BusApi& bus) {
  const char* release = bus.version();
  return release ? release : "unknown";
}

std::string VersionLine(const std::string& library) {
  return "icbus " ICBUS_VERSION_STRING " (library " + library + ")";
}

CommandTable StateCommands() {
  std::vector<OptionSpec> style = PlainTarget();
  style.push_back(IntegerOption("style", "N", 0, 9, true,
                                "0 loss-reporting, 1 account-opening; one digit, not 5"));
  return {
      {{"machine", "reader-mode", "set"},
       "put a terminal into card reader/writer mode",
       "Puts the terminal into card reader/writer mode.",
       PlainTarget(),
       ReaderModeSet},
      {{"machine", "style", "get"},
       "read a terminal's machine style",
       "Prints the machine style: 0 loss-reporting (the first card list holds lost cards), 1 "
       "account-opening (it holds the cards opened for use).",
       PlainTarget(),
       StyleGet},
      {{"machine", "style", "set"},
       "set a terminal's machine style",
       "Sets the machine style, one digit: 0 loss-reporting, 1 account-opening.",
       style,
       StyleSet},
      {{"machine", "state"},
       "ask whether a terminal is in service",
       "Prints 'in service' or 'out of service'.",
       PlainTarget(),
       State},
      {{"machine", "pause"},
       "take a terminal out of service",
       "Takes the terminal out of service until 'icbus machine resume'.",
       PlainTarget(),
       Pause},
      {{"machine", "resume"},
       "put a terminal back into service",
       "Puts a paused terminal back into service.",
       PlainTarget(),
       Resume},
      {{"version"},
       "show the library's version",
       "Prints the release of this tool and of the icbus library it loaded, as 'icbus --version' "
       "does. No terminal is involved.",
       {},
       Version},
  };
}

}  // namespace icbus::tool
