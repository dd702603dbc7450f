#include "card/writer.h"

#include <cstdio>

#include "icbus.h"
#include "link/clock.h"
#include "link/engine.h"
#include "link/failure_text.h"
#include "link/last_error.h"
#include "link/refusal.h"
#include "link/session.h"

namespace icbus::card {
namespace {

constexpr std::size_t kReadBuffer = 35;
constexpr std::size_t kWriteBuffer = 42;
constexpr std::size_t kMaxWriteChars = 34;
constexpr std::uint32_t kFailureBeepGapMs = 50;

std::string BlockCommand(const char* head, int sector, int block) {
  char frame[16];
  std::snprintf(frame, sizeof frame, "%s%02d%02d", head, sector, sector * 4 + block);
  return frame;
}

Command WriterCommand(std::string frame, std::uint32_t reply_length, std::size_t buffer) {
  Command command;
  command.course = Course::kCardWriter;
  command.frame = std::move(frame);
  command.reply_length = reply_length;
  command.buffer_size = buffer;
  return command;
}

// The error words of the writer, R1..R3 or W1..W3, recorded as the reason.
int ErrorCode(const Command& command, const std::string& reply, char letter) {
  if (reply.size() == 2 && reply[0] == letter && reply[1] >= '1' && reply[1] <= '3') {
    static const char* const kMeaning[] = {
        "no single card in the field (none, or several at once)",
        "the sector key does not match the card",
        "the block could not be read or written",
    };
    static const int kCodes[] = {ICBUS_ERR_CARD_NO_SINGLE, ICBUS_ERR_CARD_KEY,
                                 ICBUS_ERR_CARD_BLOCK};
    const int index = reply[1] - '1';
    RecordError(kCodes[index], Who(CurrentSession(), command) + " answered " + Quoted(reply + "!") +
                                   ": " + kMeaning[index]);
    return index + kNoSingleCard;
  }
  return kOk;
}

}  // namespace

bool Unnamable(int sector, int block) {
  if (Addressable(sector, block)) return false;
  RecordBadArgument("sector " + std::to_string(sector) + " block " + std::to_string(block) +
                    " is not a block the card writer can name (sector 0 to 99, sector x 4 + "
                    "block up to 99)");
  return true;
}

bool Addressable(int sector, int block) {
  // Compared without forming sector x 4 + block: a huge block would overflow.
  return sector >= 0 && sector <= 99 && block >= 0 && block <= 99 - sector * 4;
}

int ReadCardBlock(int port, int sector, int block, std::string* text) {
  if (Unnamable(sector, block) || !text) return kTransferFailed;
  const Command command = WriterCommand(BlockCommand("SR", sector, block) + "!", 33, kReadBuffer);
  Outcome outcome = RunCommand(port, command);
  if (!outcome.transferred) return kTransferFailed;
  if (!outcome.arrived) return kNoReply;
  int code = ErrorCode(command, outcome.reply, 'R');
  if (code != kOk) return code;
  char padded[40];
  std::snprintf(padded, sizeof padded, "%32s", outcome.reply.c_str());
  *text = padded;
  return kOk;
}

int WriteCardBlock(int port, int sector, int block, const std::string& text) {
  if (Unnamable(sector, block)) return kTransferFailed;
  if (text.size() > kMaxWriteChars) {
    RecordBadArgument("a block text of " + std::to_string(text.size()) + " characters");
    return kTransferFailed;
  }
  const Command command =
      WriterCommand(BlockCommand("SW", sector, block) + text + "!", 5, kWriteBuffer);
  Outcome outcome = RunCommand(port, command);
  if (!outcome.transferred) return kTransferFailed;
  if (!outcome.arrived) return kNoReply;
  if (outcome.reply == "DONE") return kOk;
  int code = ErrorCode(command, outcome.reply, 'W');
  if (code == kOk) RecordUnexpectedReply(command, outcome.reply, "\"DONE!\"");
  return code == kOk ? kTransferFailed : code;
}

int WriterBeep(int port, int pattern) {
  if (pattern < 0 || pattern > 999) return 0;
  char frame[16];
  std::snprintf(frame, sizeof frame, "SZ%03d!", pattern);
  Command command = WriterCommand(frame, 5, 26);
  command.expect = "DONE";
  command.clear_output_first = true;
  return RunCommand(port, command).ok ? 1 : 0;
}

void Sound(int port, Beep beep) {
  QuietErrors quiet;
  BeepAx(port, static_cast<int>(beep));
}

void BeepAx(int port, int mode) {
  if (mode == 0) {
    WriterBeep(port, 1);
  } else if (mode == 1) {
    WriterBeep(port, 1);
    ActiveClock().SleepMillis(kFailureBeepGapMs);
    WriterBeep(port, 6);
  } else {
    Refuse(0, Refusal("beep mode " + std::to_string(mode) + " is not 0 (success) or 1 (failure)"));
  }
}

}  // namespace icbus::card
