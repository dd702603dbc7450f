#include "card/writer.h"

#include <cstdio>

#include "link/clock.h"
#include "link/engine.h"

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

// The error words of the writer, R1..R3 or W1..W3.
int ErrorCode(const std::string& reply, char letter) {
  if (reply.size() == 2 && reply[0] == letter && reply[1] >= '1' && reply[1] <= '3') {
    return reply[1] - '1' + kNoSingleCard;
  }
  return kOk;
}

}  // namespace

bool Addressable(int sector, int block) {
  // Compared without forming sector x 4 + block: a huge block would overflow.
  return sector >= 0 && sector <= 99 && block >= 0 && block <= 99 - sector * 4;
}

int ReadCardBlock(int port, int sector, int block, std::string* text) {
  if (!Addressable(sector, block) || !text) return kTransferFailed;
  Outcome outcome =
      RunCommand(port, WriterCommand(BlockCommand("SR", sector, block) + "!", 33, kReadBuffer));
  if (!outcome.transferred) return kTransferFailed;
  if (!outcome.arrived) return kNoReply;
  int code = ErrorCode(outcome.reply, 'R');
  if (code != kOk) return code;
  char padded[40];
  std::snprintf(padded, sizeof padded, "%32s", outcome.reply.c_str());
  *text = padded;
  return kOk;
}

int WriteCardBlock(int port, int sector, int block, const std::string& text) {
  if (!Addressable(sector, block) || text.size() > kMaxWriteChars) return kTransferFailed;
  Outcome outcome = RunCommand(
      port, WriterCommand(BlockCommand("SW", sector, block) + text + "!", 5, kWriteBuffer));
  if (!outcome.transferred) return kTransferFailed;
  if (!outcome.arrived) return kNoReply;
  if (outcome.reply == "DONE") return kOk;
  int code = ErrorCode(outcome.reply, 'W');
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

void BeepAx(int port, int mode) {
  if (mode == 0) {
    WriterBeep(port, 1);
  } else if (mode == 1) {
    WriterBeep(port, 1);
    ActiveClock().SleepMillis(kFailureBeepGapMs);
    WriterBeep(port, 6);
  }
}

}  // namespace icbus::card
