#include "records/download.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "link/engine.h"
#include "link/refusal.h"
#include "link/session.h"

namespace icbus::records {
namespace {

struct RecordRow {
  const char* command;
  bool pause;  // the terminal needs 50 ms to fetch these records
  std::uint32_t length, length_two_decimals;
  const char* prefix;
};

// One row per record operation: command, pause, longest read, line prefix.
RecordRow RowOf(RecordKind kind) {
  switch (kind) {
    case RecordKind::kNext: return {"SC!", true, 32, 33, "20"};
    case RecordKind::kNextK: return {"SC!", false, 18, 18, "20"};
    case RecordKind::kNextR: return {"SC!", false, 18, 18, "20"};
    case RecordKind::kNextBak: return {"SB!", true, 32, 38, "20"};
    case RecordKind::kNextAt: return {"SC!", true, 32, 32, "203"};
    case RecordKind::kNextW: return {"SC!", false, 22, 22, ""};
    case RecordKind::kNextA: return {"SC!", false, 33, 33, "20"};
  }
  return {"SC!", false, 32, 32, "20"};
}

constexpr std::uint32_t kRecordPauseMs = 50;

}  // namespace

int GetFirst(int port, int machine, std::optional<int> card) {
  Command command;
  command.course = card ? Course::kSixDigit : Course::kPlain;
  command.machine = machine;
  command.card = card.value_or(0);
  command.address_reply_length = 3;
  return OpenAndSelect(port, command) ? 1 : 0;
}

int GetRecord(RecordKind kind, int machine, char* out) {
  // Without a buffer or with a machine number that would lengthen the line,
  // no record can be delivered: end the session rather than leave it open.
  if (!out) return EndSession(Refuse(0, Refusal("no buffer for the record line (a null pointer)")));
  if (auto refusal = OutOfRange(machine, 0, 999, "machine number")) {
    return EndSession(Refuse(0, *refusal));
  }
  const RecordRow row = RowOf(kind);
  Command command;
  command.frame = row.command;
  command.reply_length = TwoDecimals() ? row.length_two_decimals : row.length;
  command.pause_before_read_ms = row.pause ? kRecordPauseMs : 0;
  Outcome outcome = Exchange(command);
  if (!outcome.arrived) return EndSession(0);
  if (outcome.reply.empty() || outcome.reply == "OVER") {
    std::memcpy(out, outcome.reply.c_str(), outcome.reply.size() + 1);
    return EndSession(1);
  }
  char suffix[8];
  std::snprintf(suffix, sizeof suffix, "%03d", machine);
  std::string line = row.prefix + outcome.reply + suffix;
  std::memcpy(out, line.c_str(), line.size() + 1);
  return 1;
}

}  // namespace icbus::records
