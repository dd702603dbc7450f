#include "terminal/rows.h"

#include <cstring>

#include "link/failure_text.h"

namespace icbus::terminal {
namespace {

Row Make(Course course, int machine, Frame frame, std::uint32_t reply_length, const char* expect) {
  if (!frame) return frame.refusal();
  Command command;
  command.course = course;
  command.machine = machine;
  command.frame = std::move(*frame);
  command.reply_length = reply_length;
  command.expect = expect;
  return command;
}

// No row: an argument the command's frame cannot carry.
bool Refused(const Row& row) { return !row && Refuse(true, row.refusal()); }

}  // namespace

Row Plain(int machine, Frame frame, std::uint32_t reply_length, const char* expect) {
  return Make(Course::kPlain, machine, std::move(frame), reply_length, expect);
}

Row SixDigit(int machine, int card, Frame frame, std::uint32_t reply_length, const char* expect) {
  Row row = Make(Course::kSixDigit, machine, std::move(frame), reply_length, expect);
  if (row) row->card = card;
  return row;
}

Row Broadcast(Frame frame, const char* expect) {
  return Make(Course::kBroadcast, 0, std::move(frame), 5, expect);
}

Row InCommand(int machine, Frame frame, std::uint32_t reply_length, const char* expect) {
  if (auto refusal = OutOfRange(machine, 0, 999, "machine number")) return *refusal;
  return Make(Course::kInCommand, machine, std::move(frame), reply_length, expect);
}

Row CardWriter(Frame frame, const char* expect) {
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

std::optional<Refusal> BadText(const char* text, const char* what) {
  if (!text) return Refusal(std::string(what) + " is missing (a null pointer)");
  if (std::strchr(text, '!')) {
    return Refusal(std::string(what) + " " + Quoted(text) +
                   " holds \"!\", which would end the frame early");
  }
  return std::nullopt;
}

Frame Framed(const char* head, const char* text, const char* what) {
  if (auto refusal = BadText(text, what)) return *refusal;
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
