#include "records/counts.h"

#include <cstdio>
#include <optional>
#include <string>

#include "link/engine.h"
#include "link/failure_text.h"
#include "link/refusal.h"
#include "link/session.h"

namespace icbus::records {
namespace {

constexpr std::size_t kCountDigits = 5;

// The count reply: five digits of count, then (from a window terminal) the
// total amount. "ERR" and the empty text are failures.
Command CountRequest(Course course, int machine, int card, std::string frame,
                     std::uint32_t reply_length) {
  Command command;
  command.course = course;
  command.machine = machine;
  command.card = card;
  command.frame = std::move(frame);
  command.reply_length = reply_length;
  return command;
}

// A decimal field of exactly `width` digits at `from`; nothing when the reply
// is too short or the field holds anything else.
std::optional<long long> Field(const std::string& text, std::size_t from, std::size_t width) {
  if (text.size() < from + width) return std::nullopt;
  long long value = 0;
  for (std::size_t i = from; i < from + width; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

std::optional<std::string> CountReply(int port, const Command& command) {
  Outcome outcome = RunCommand(port, command);
  if (!outcome.ok) return std::nullopt;
  if (outcome.reply.empty() || outcome.reply == "ERR") {
    RecordUnexpectedReply(command, outcome.reply, "its records' figures");
    return std::nullopt;
  }
  return outcome.reply;
}

int Count(int port, const Command& command) {
  auto reply = CountReply(port, command);
  auto count = reply ? Field(*reply, 0, kCountDigits) : std::nullopt;
  if (reply && !count) RecordUnexpectedReply(command, *reply, "a record count");
  return count ? static_cast<int>(*count) : -1;
}

}  // namespace

int GetRecordCount(int port, int machine) {
  return Count(port, CountRequest(Course::kPlain, machine, 0, "SK!", 15));
}

int GetRecordCountA(int port, int machine, int card) {
  return Count(port, CountRequest(Course::kSixDigit, machine, card, "SK!", 11));
}

int GetRecordCountR(int port, int machine, int kind) {
  if (auto refusal = OutOfRange(kind, 0, 9, "record kind")) return Refuse(-1, *refusal);
  return Count(port, CountRequest(Course::kPlain, machine, 0, "SK" + std::to_string(kind) + "!", 12));
}

int GetRecordCountAt(int port, int machine, int card) {
  return Count(port, CountRequest(Course::kSixDigit, machine, card, "SK!", 12));
}

// The amount follows the count: 6 digits of tenths, or 8 digits of
// hundredths with two decimal places.
double GetTotal(int port, int machine) {
  const bool fen = TwoDecimals();
  Command command = CountRequest(Course::kPlain, machine, 0, "SK!", fen ? 15 : 12);
  command.on_data_mode_failure = WrapUp::kClose;
  auto reply = CountReply(port, command);
  auto amount = reply ? Field(*reply, kCountDigits, fen ? 8 : 6) : std::nullopt;
  if (!amount) return -1.0;
  return static_cast<double>(*amount) * (fen ? 0.01 : 0.1);
}

}  // namespace icbus::records
