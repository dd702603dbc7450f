// monitor: watches one terminal's card swipes as they happen. The port is
// opened once and kept in address mode; the terminal is polled about every
// 600 ms until the user interrupts.
#include <cstdio>
#include <cstring>

#include "cli/report.h"
#include "cli/target.h"
#include "commands/catalog.h"

namespace icbus::tool {
namespace {

constexpr int kPollPauseMs = 600;
constexpr size_t kSwipeLength = 20;
constexpr const char kNoSwipe[] = "000000";

// "yyyymmddhhnn" of the host's local time.
std::string Stamp(const std::tm& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d", (t.tm_year + 1900) % 10000,
                (t.tm_mon + 1) % 100, t.tm_mday % 100, t.tm_hour % 100, t.tm_min % 100);
  return text;
}

Outcome Monitor(const Context& context) {
  Target target = TargetFrom(context.options);
  const std::string where = "port " + std::to_string(target.port);
  // Asking once before the port opens makes Ctrl-C a request to stop.
  if (context.host.interrupted()) return Outcome::Success();
  if (!context.bus.dev_init(std::to_string(target.port).c_str())) {
    return Outcome::Failure("cannot open " + where);
  }
  if (!context.bus.change_dev_settings(0)) {
    context.bus.dev_close();
    return Outcome::Failure("cannot switch " + where + " to address mode");
  }
  while (!context.host.interrupted()) {
    // The poll writes the buffer only when an answer with "!" came; starting
    // empty tells a silent poll from a repeated answer, so a swipe is never
    // listed twice.
    char reply[32] = {};
    if (context.bus.real_time(target.machine, reply) && reply[0] != '\0') {
      std::string text(reply, strnlen(reply, sizeof reply));
      // One line per swipe, stamped with the host's time; any other answer
      // but "no swipe" bare.
      if (text.size() == kSwipeLength) {
        const std::string stamp = Stamp(context.host.now());
        Report(context, stamp + text, JsonObject().Add("time", stamp).Add("swipe", text));
      } else if (text != kNoSwipe) {
        Report(context, text, JsonObject().Add("answer", text));
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
  return {
      {{"monitor"},
       "print a terminal's card swipes as they happen",
       "Polls the terminal about every 600 ms and prints each swipe on one line after the "
       "host's time yyyymmddhhnn; any other answer but 000000 (no swipe) bare. "
       "Runs until Ctrl-C; the port stays open meanwhile, so no other command can use it.",
       PlainTarget(),
       Monitor},
  };
}

}  // namespace icbus::tool
