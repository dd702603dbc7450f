// monitor: watches one terminal's card swipes as they happen. The port is
// opened once and kept in address mode; the terminal is polled about every
// 600 ms until the user interrupts.
#include <cstdio>
#include <cstring>

#include "cli/failure_reason.h"
#include "cli/report.h"
#include "cli/target.h"
#include "commands/catalog.h"

namespace icbus::tool {
namespace {

constexpr int kPollPauseMs = 600;
constexpr int kReopenPauseMs = 1000;
constexpr size_t kSwipeLength = 20;
constexpr const char kNoSwipe[] = "000000";

// Opens the port in address mode; false (the port closed again) when it
// cannot.
bool OpenLine(const BusApi& bus, int port) {
  if (!bus.dev_init(std::to_string(port).c_str())) return false;
  if (bus.change_dev_settings(0)) return true;
  bus.dev_close();
  return false;
}

// The port failed under the monitor: tries to open it again once a second
// for `seconds`. True when it is back.
bool Reopen(const Context& context, int port, long long seconds) {
  for (long long tried = 0; tried < seconds && !context.host.interrupted(); ++tried) {
    context.host.pause(kReopenPauseMs);
    if (context.host.interrupted()) return false;
    if (OpenLine(context.bus, port)) return true;
  }
  return false;
}

Outcome Monitor(const Context& context) {
  Target target = TargetFrom(context.options);
  const std::string where = "port " + std::to_string(target.port);
  const long long silent_limit = context.options.Integer("silent-polls", 5);
  const long long reconnect = context.options.Integer("reconnect", 0);
  // Asking once before the port opens makes Ctrl-C a request to stop.
  if (context.host.interrupted()) return Outcome::Success();
  if (!context.bus.dev_init(std::to_string(target.port).c_str())) {
    return Outcome::Failure("cannot open " + where);
  }
  if (!context.bus.change_dev_settings(0)) {
    context.bus.dev_close();
    return Outcome::Failure("cannot switch " + where + " to address mode");
  }
  long long silent = 0;
  while (!context.host.interrupted()) {
    // The poll writes the buffer only when an answer with "!" came; starting
    // empty tells a silent poll from a repeated answer, so a swipe is never
    // listed twice.
    char reply[32] = {};
    if (!context.bus.real_time(target.machine, reply)) {
      // The line itself failed (the adapter unplugged, the simulator gone):
      // every further poll would fail the same way, silently.
      std::string reason = LibraryReason(context.bus);
      if (reason.empty()) reason = "the poll failed";
      context.bus.dev_close();
      context.err << "icbus: " << where << " failed: " << reason
                  << (reconnect > 0
                          ? "; trying to open it again for " + std::to_string(reconnect) + " s"
                          : "")
                  << "\n";
      if (!Reopen(context, target.port, reconnect)) {
        if (context.host.interrupted()) return Outcome::Success();
        return Outcome::Explained(where + " is gone: " + reason);
      }
      context.err << "icbus: " << where << " is open again\n";
      silent = 0;
      continue;
    }
    if (reply[0] == '\0') {
      if (++silent == silent_limit) {
        context.err << "icbus: " << Describe(target) << " has not answered for " << silent
                    << " polls\n";
      }
    } else {
      if (silent >= silent_limit)
        context.err << "icbus: " << Describe(target) << " answers again\n";
      silent = 0;
      std::string text(reply, strnlen(reply, sizeof reply));
      // One line per swipe, stamped with the host's time; any other answer
      // but "no swipe" bare.
      JsonObject json = JsonObject().Add("port", target.port).Add("machine", target.machine);
      if (text.size() == kSwipeLength) {
        const std::string stamp =
            IsoLocalTime(context.host.now(), context.host.utc_offset_minutes());
        Report(context, stamp + " " + text, json.Add("time", stamp).Add("swipe", text));
      } else if (text != kNoSwipe) {
        Report(context, text, json.Add("answer", text));
      }
      context.out.flush();
    }
    context.host.pause(kPollPauseMs);
  }
  context.bus.dev_close();
  return Outcome::Success();
}

}  // namespace

CommandTable MonitorCommands() {
  std::vector<OptionSpec> options = PlainTarget();
  options.push_back(WithDefault(IntegerOption("silent-polls", "N", 1, 100000, false,
                                              "say so on standard error when the terminal has "
                                              "not answered N polls in a row"),
                                "5"));
  options.push_back(WithDefault(IntegerOption("reconnect", "SECONDS", 0, 86400, false,
                                              "when the port fails, try to open it again for "
                                              "this long before giving up (0: give up at once)"),
                                "0"));
  return {
      {{"monitor"},
       "print a terminal's card swipes as they happen",
       "Polls the terminal about every 600 ms and prints each swipe on one line after the "
       "host's local time in ISO 8601 (2026-01-15T09:30:00+08:00); any other answer but 000000 "
       "(no swipe) bare. A terminal that stops answering, and its return, are reported on "
       "standard error; a port that fails ends the monitor with exit 1, unless it opens again "
       "within --reconnect seconds. Runs until Ctrl-C (exit 130); the port stays open "
       "meanwhile, so no other command can use it.",
       options,
       Monitor},
  };
}

}  // namespace icbus::tool
