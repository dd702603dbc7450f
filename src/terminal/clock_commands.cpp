#include "terminal/clock_commands.h"

#include <cstdio>
#include <cstring>

#include "link/clock.h"
#include "link/engine.h"
#include "link/refusal.h"

namespace icbus::terminal {
namespace {

// The two address forms of these commands; the six-digit one also checks
// the terminal's management card number.
Command Addressed(int machine, ManagementCard card) {
  Command command;
  command.course = card ? Course::kSixDigit : Course::kPlain;
  command.machine = machine;
  command.card = card.value_or(0);
  return command;
}

// "SE" yyyymmddhhnnss "!": the host's local time when the frame is formed.
std::string ClockFrame() {
  LocalTime t = ActiveClock().Local();
  char frame[32];
  std::snprintf(frame, sizeof frame, "SE%04d%02d%02d%02d%02d%02d!", t.year % 10000, t.month % 100,
                t.day % 100, t.hour % 100, t.minute % 100, t.second % 100);
  return frame;
}

}  // namespace

int GetTime(int port, int machine, char* out, ManagementCard card) {
  if (!out) return Refuse(0, Refusal("no buffer for the clock text (a null pointer)"));
  Command command = Addressed(machine, card);
  command.frame = "SD!";
  command.reply_length = 15;
  Outcome outcome = RunCommand(port, command);
  if (!outcome.ok) return 0;
  std::memcpy(out, outcome.reply.c_str(), outcome.reply.size() + 1);
  return 1;
}

int SetTime(int port, int machine, ManagementCard card) {
  Command command = Addressed(machine, card);
  command.build = ClockFrame;
  command.frame_length = 17;
  command.reply_length = 5;
  command.expect = "DONE";
  return RunCommand(port, command).ok ? 1 : 0;
}

int Clear(int port, int machine, ManagementCard card) {
  Command command = Addressed(machine, card);
  command.frame = "SJ!";
  command.reply_length = 5;
  command.expect = "DONE";
  return RunCommand(port, command).ok ? 1 : 0;
}

}  // namespace icbus::terminal
