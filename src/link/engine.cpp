#include "link/engine.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "link/clock.h"
#include "link/port.h"
#include "link/session.h"

namespace icbus {
namespace {

constexpr int kAddressMode = 0;
constexpr int kDataMode = 1;
const char kClosingFrame[] = "SZ!";

bool SendText(Session& session, const std::string& frame) {
  return WritePort(session, reinterpret_cast<const std::uint8_t*>(frame.data()),
                   static_cast<std::uint32_t>(frame.size()));
}

// Reads a reply of at most `length` bytes into a zero-filled buffer and cuts
// it at its "!". The buffer always keeps a terminator after the bytes read.
// Nothing when the read itself failed.
std::optional<Outcome> ReadReply(Session& session, std::uint32_t length, bool poll) {
  Outcome outcome;
  std::vector<std::uint8_t> buffer(length + 1, 0);
  bool read = poll ? ReadPortFast(session, buffer.data(), length)
                   : ReadPort(session, buffer.data(), length);
  if (!read) return std::nullopt;
  outcome.transferred = true;
  outcome.ok = TrimReply(buffer.data(), buffer.size(), &outcome.reply);
  outcome.arrived = outcome.ok;
  return outcome;
}

std::string AddressFrame(const Command& command) {
  char frame[32];
  if (command.course == Course::kSixDigit) {
    std::snprintf(frame, sizeof frame, "SA%03d%06d!", command.machine, command.card);
  } else {
    std::snprintf(frame, sizeof frame, "SA%03d!", command.machine);
  }
  return frame;
}

bool Selects(Course course) { return course == Course::kPlain || course == Course::kSixDigit; }

// Everything about the address that can be known before the port is opened.
bool AcceptableAddress(int port, const Command& command) {
  if (port < 1) return false;
  if (Selects(command.course) && !ValidMachine(command.machine)) return false;
  return command.course != Course::kSixDigit || ValidCard(command.card);
}

// A command frame that fits its buffer and says what it means.
bool AcceptableFrame(const Command& command) {
  std::size_t length = command.build ? command.frame_length : command.frame.size();
  if (length == 0) return false;
  if (command.raw) return true;
  if (!command.build && command.frame.find('\0') != std::string::npos) return false;
  return length < command.buffer_size;
}

int WrapUpWith(Session& session, WrapUp wrap_up, int result) {
  switch (wrap_up) {
    case WrapUp::kEndTwice: return EndSessionTwice(session, result);
    case WrapUp::kClose: return CloseSession(session, result);
    case WrapUp::kEnd: break;
  }
  return EndSession(session, result);
}

bool Passes(const Command& command, const Outcome& outcome) {
  return outcome.ok && (!command.expect || outcome.reply == command.expect);
}

}  // namespace

bool ValidMachine(int machine) { return machine >= 0 && machine <= 999; }
bool ValidCard(int card) { return card >= 0 && card <= 999999; }

bool TrimReply(const std::uint8_t* buffer, std::size_t size, std::string* text) {
  for (std::size_t i = 0; i < size && buffer[i] != 0; ++i) {
    if (buffer[i] == '!') {
      text->assign(reinterpret_cast<const char*>(buffer), i);
      return true;
    }
  }
  return false;
}

int EndSession(Session& session, int result) {
  if (ChangeDevSettings(session, kDataMode)) SendText(session, kClosingFrame);
  DevClose(session);
  return result;
}

int EndSessionTwice(Session& session, int result) {
  if (ChangeDevSettings(session, kDataMode)) {
    SendText(session, kClosingFrame);
    SendText(session, kClosingFrame);
  }
  DevClose(session);
  return result;
}

int CloseSession(Session& session, int result) {
  DevClose(session);
  return result;
}

bool OpenAndSelect(Session& session, int port, const Command& command) {
  if (!AcceptableAddress(port, command) || !Selects(command.course)) return false;
  if (!DevInit(session, PortDigits(port).c_str())) return false;
  if (!ChangeDevSettings(session, kAddressMode)) return CloseSession(session, false);
  if (!SendText(session, AddressFrame(command))) return EndSession(session, false);
  auto address = ReadReply(session, command.address_reply_length, false);
  if (!address || !address->ok || address->reply != "OK") return EndSession(session, false);
  if (!ChangeDevSettings(session, kDataMode)) {
    return WrapUpWith(session, command.on_data_mode_failure, false);
  }
  return true;
}

Outcome Exchange(Session& session, const Command& command) {
  std::string frame = command.build ? command.build() : command.frame;
  if (command.clear_output_first) PurgePortWith(session, kPurgeTxClear);
  if (!SendText(session, frame)) return Outcome{};
  if (command.pause_before_read_ms) ActiveClock().PumpWait(command.pause_before_read_ms);
  return ReadReply(session, command.reply_length, false).value_or(Outcome{});
}

std::optional<Outcome> Poll(Session& session, const std::string& frame,
                            std::uint32_t reply_length) {
  if (!PortHeld(session) || !SendText(session, frame)) return std::nullopt;
  return ReadReply(session, reply_length, true);
}

Outcome RunCommand(Session& session, int port, const Command& command) {
  if (!AcceptableAddress(port, command) || !AcceptableFrame(command)) return Outcome{};
  Outcome outcome;
  if (Selects(command.course)) {
    if (!OpenAndSelect(session, port, command)) return Outcome{};
    outcome = Exchange(session, command);
  } else {
    if (!DevInit(session, PortDigits(port).c_str())) return Outcome{};
    if (command.course != Course::kCardWriter && !ChangeDevSettings(session, kAddressMode)) {
      CloseSession(session, 0);
      return Outcome{};
    }
    outcome = Exchange(session, command);
  }
  bool passed = Passes(command, outcome);
  WrapUp wrap_up = command.course == Course::kBroadcast ? WrapUp::kClose
                   : passed                             ? command.on_success
                                                        : WrapUp::kEnd;
  WrapUpWith(session, wrap_up, 0);
  outcome.ok = passed;
  return outcome;
}

Outcome RunCommand(int port, const Command& command) {
  return RunCommand(CurrentSession(), port, command);
}
bool OpenAndSelect(int port, const Command& command) {
  return OpenAndSelect(CurrentSession(), port, command);
}
Outcome Exchange(const Command& command) { return Exchange(CurrentSession(), command); }
std::optional<Outcome> Poll(const std::string& frame, std::uint32_t reply_length) {
  return Poll(CurrentSession(), frame, reply_length);
}
int EndSession(int result) { return EndSession(CurrentSession(), result); }
int EndSessionTwice(int result) { return EndSessionTwice(CurrentSession(), result); }
int CloseSession(int result) { return CloseSession(CurrentSession(), result); }

}  // namespace icbus
