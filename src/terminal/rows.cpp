#include "terminal/rows.h"

#include <cstring>

#include "link/failure_text.h"

namespace icbus::terminal {
namespace {

Row Make(Course course, int machine, std::optional<std::string> frame,
         std::uint32_t reply_length, const char* expect) {
  if (!frame) return std::nullopt;
  Command command;
  command.course = course;
  command.machine = machine;
  command.frame = std::move(*frame);
  command.reply_length = reply_length;
  command.expect = expect;
  return command;
}

// No row: an argument the command's frame cannot carry.
bool Refused(const Row& row) {
  if (row) return false;
  RecordBadArgument(
      "an argument does not fit the command's frame (too long, out of range or "
      "holding \"!\")");
  return true;
}

}  // namespace

Row Plain(int machine, std::optional<std::string> frame, std::uint32_t reply_length,
          const char* expect) {
  return Make(Course::kPlain, machine, std::move(frame), reply_length, expect);
}

Row SixDigit(int machine, int card, std::optional<std::string> frame,
             std::uint32_t reply_length, const char* expect) {
  Row row = Make(Course::kSixDigit, machine, std::move(frame), reply_length, expect);
  if (row) row->card = card;
  return row;
}

Row Broadcast(std::optional<std::string> frame, const char* expect) {
  return Make(Course::kBroadcast, 0, std::move(frame), 5, expect);
}

Row InCommand(int machine, std::optional<std::string> frame, std::uint32_t reply_length,
              const char* expect) {
  if (!ValidMachine(machine)) return std::nullopt;
  return Make(Course::kInCommand, machine, std::move(frame), reply_length, expect);
}

Row CardWriter(std::optional<std::string> frame, const char* expect) {
  return Make(Course::kCardWriter, 0, std::move(frame), 5, expect);
}

Row WithBuffer(Row row, std::size_t size) {
  if (row) row->buffer_size = size;
  return row;
}

Row WithAddressReply(Row row, std::uint32_t length) {
  if (row) row->address_reply_length = length;
  return row;
}

std::optional<std::string> Framed(const char* head, const char* text) {
  if (!text || std::strchr(text, '!')) return std::nullopt;
  return std::string(head) + text + "!";
}

int Boolean(int port, const Row& row) { return !Refused(row) && RunCommand(port, *row).ok ? 1 : 0; }

int YesNo(int port, const Row& row) {
  if (Refused(row)) return -1;
  Outcome outcome = RunCommand(port, *row);
  if (!outcome.arrived) return -1;
  return outcome.reply == "1" ? 1 : 0;
}

int Number(int port, const Row& row) {
  if (Refused(row)) return -1;
  Outcome outcome = RunCommand(port, *row);
  const std::string& text = outcome.reply;
  if (!outcome.arrived) return -1;
  bool digits = !text.empty() && text.size() <= 9;
  for (char c : text) digits = digits && c >= '0' && c <= '9';
  if (!digits) {
    RecordUnexpectedReply(*row, text, "a number");
    return -1;
  }
  return std::stoi(text);
}

}  // namespace icbus::terminal
