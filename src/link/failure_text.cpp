#include "link/failure_text.h"

#include "common/wire_text.h"
#include "icbus.h"
#include "link/engine.h"
#include "link/last_error.h"
#include "link/session.h"

namespace icbus {

std::string PortLabel(const std::string& digits, const std::string& device) {
  if (digits.empty()) return device;
  return "port " + digits + " (" + device + ")";
}

std::string WaitText(std::uint32_t ms) {
  if (ms < 1000) return std::to_string(ms) + " ms";
  std::string text = std::to_string(ms / 1000);
  std::uint32_t rest = ms % 1000;
  if (rest != 0) {
    std::string fraction = std::to_string(1000 + rest).substr(1);
    while (fraction.back() == '0') fraction.pop_back();
    text += "." + fraction;
  }
  return text + " s";
}

std::string Quoted(const std::string& bytes) { return "\"" + EscapeWireBytes(bytes) + "\""; }

std::string Who(const Session& session, const Command& command) {
  std::string who;
  switch (command.course) {
    case Course::kPlain:
    case Course::kInCommand:
      who = "terminal " + std::to_string(command.machine);
      break;
    case Course::kSixDigit:
      who = "terminal " + std::to_string(command.machine) + " (card " +
            std::to_string(command.card) + ")";
      break;
    case Course::kBroadcast:
      who = "the terminals";
      break;
    case Course::kCardWriter:
      who = "the card writer";
      break;
  }
  return who + " on " + session.label;
}

void RecordBadArgument(const std::string& what) {
  RecordError(ICBUS_ERR_BAD_ARGUMENT, what + "; nothing was sent");
}

void RecordUnexpectedReply(const Command& command, const std::string& reply,
                           const std::string& wanted) {
  RecordError(ICBUS_ERR_UNEXPECTED_REPLY, Who(CurrentSession(), command) + " answered " +
                                              Quoted(reply + "!") + " where " + wanted +
                                              " was expected");
}

}  // namespace icbus
