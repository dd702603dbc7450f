#include "link/engine.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "icbus.h"
#include "link/clock.h"
#include "link/failure_text.h"
#include "link/last_error.h"
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

// How a reply is read. With fast replies a reply ends at its "!"; a
// broadcast still waits out its read, because several terminals may answer
// and their replies collide after the first "!" has come through; the poll
// has its own short time-outs.
enum class Read { kReply, kWholeTimeout, kPoll };

bool ReadInto(Session& session, std::uint8_t* buffer, std::uint32_t length, Read read) {
  switch (read) {
    case Read::kPoll: return ReadPortFast(session, buffer, length);
    case Read::kReply:
      if (session.fast_replies) return ReadPortToBang(session, buffer, length);
      break;
    case Read::kWholeTimeout: break;
  }
  return ReadPort(session, buffer, length);
}

// Who is asked what: for the reason of a reply that did not come.
struct Asked {
  std::string who;    // "terminal 7 on port 1 (/dev/ttyS0)"
  std::string frame;  // the frame answered; empty for the address frame
};

Asked AskedFor(const Session& session, const Command& command, const std::string& frame) {
  return Asked{Who(session, command), frame};
}

void RecordMissingReply(const Session& session, const Asked& asked,
                        const std::vector<std::uint8_t>& buffer) {
  std::string to = asked.frame.empty() ? "" : " " + Quoted(asked.frame);
  if (session.last_received == 0) {
    RecordError(ICBUS_ERR_SILENT, asked.who + " did not answer" + to + " (no reply in " +
                                      WaitText(session.last_wait_ms) + ")");
    return;
  }
  std::string bytes(buffer.begin(), buffer.begin() + session.last_received);
  std::string reply_to = asked.frame.empty() ? "" : " to" + to;
  RecordError(ICBUS_ERR_NO_BANG,
              asked.who + " answered " + Quoted(bytes) + reply_to + " without the closing \"!\"");
}

// Reads a reply of at most `length` bytes into a zero-filled buffer and cuts
// it at its "!". The buffer always keeps a terminator after the bytes read.
// Nothing when the read itself failed.
std::optional<Outcome> ReadReply(Session& session, std::uint32_t length, Read read,
                                 const Asked& asked) {
  Outcome outcome;
  std::vector<std::uint8_t> buffer(length + 1, 0);
  bool ok = ReadInto(session, buffer.data(), length, read);
  if (!ok) return std::nullopt;
  outcome.transferred = true;
  outcome.ok = TrimReply(buffer.data(), buffer.size(), &outcome.reply);
  outcome.arrived = outcome.ok;
  if (!outcome.ok) RecordMissingReply(session, asked, buffer);
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
  if (port < 1) {
    RecordBadArgument("port number " + std::to_string(port) + " is not 1 or above");
    return false;
  }
  if (Selects(command.course) && !ValidMachine(command.machine)) {
    RecordBadArgument("machine number " + std::to_string(command.machine) + " is not 0 to 999");
    return false;
  }
  if (command.course == Course::kSixDigit && !ValidCard(command.card)) {
    RecordBadArgument("management card number " + std::to_string(command.card) +
                      " is not 0 to 999999");
    return false;
  }
  return true;
}

// A command frame that fits its buffer and says what it means.
bool FrameFits(const Command& command) {
  std::size_t length = command.build ? command.frame_length : command.frame.size();
  if (length == 0) return false;
  if (command.raw) return true;
  if (!command.build && command.frame.find('\0') != std::string::npos) return false;
  return length < command.buffer_size;
}

bool AcceptableFrame(const Command& command) {
  if (FrameFits(command)) return true;
  RecordBadArgument("the command " + Quoted(command.frame) + " does not fit its frame");
  return false;
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
  QuietErrors quiet;
  if (ChangeDevSettings(session, kDataMode)) SendText(session, kClosingFrame);
  DevClose(session);
  return result;
}

int EndSessionTwice(Session& session, int result) {
  QuietErrors quiet;
  if (ChangeDevSettings(session, kDataMode)) {
    SendText(session, kClosingFrame);
    SendText(session, kClosingFrame);
  }
  DevClose(session);
  return result;
}

int CloseSession(Session& session, int result) {
  QuietErrors quiet;
  DevClose(session);
  return result;
}

bool OpenAndSelect(Session& session, int port, const Command& command) {
  if (!AcceptableAddress(port, command) || !Selects(command.course)) return false;
  if (!DevInit(session, PortDigits(port).c_str())) return false;
  if (!ChangeDevSettings(session, kAddressMode)) return CloseSession(session, false);
  if (!SendText(session, AddressFrame(command))) return EndSession(session, false);
  auto address = ReadReply(session, command.address_reply_length, Read::kReply,
                           AskedFor(session, command, ""));
  if (!address || !address->ok) return EndSession(session, false);
  if (address->reply != "OK") {
    RecordError(ICBUS_ERR_UNEXPECTED_REPLY, Who(session, command) + " answered its address " +
                                                "with " + Quoted(address->reply + "!") +
                                                " instead of \"OK!\"");
    return EndSession(session, false);
  }
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
  Read read = command.course == Course::kBroadcast ? Read::kWholeTimeout : Read::kReply;
  return ReadReply(session, command.reply_length, read, AskedFor(session, command, frame))
      .value_or(Outcome{});
}

std::optional<Outcome> Poll(Session& session, const std::string& frame,
                            std::uint32_t reply_length) {
  if (!SendText(session, frame)) return std::nullopt;
  return ReadReply(session, reply_length, Read::kPoll,
                   Asked{"the line on " + session.label, frame});
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
  if (outcome.ok && !passed) {
    RecordError(ICBUS_ERR_UNEXPECTED_REPLY,
                Who(session, command) + " answered " + Quoted(outcome.reply + "!") +
                    (command.build ? std::string() : " to " + Quoted(command.frame)) +
                    " instead of " + Quoted(std::string(command.expect) + "!"));
  }
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
