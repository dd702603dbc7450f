// The clock and clearing exports of libicbus.so against icbus-sim on a real
// pseudo-terminal: results, the caller's buffer, and the frames on the wire
// with their parity.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "icbus.h"
#include "reply_mode.h"
#include "sim_process.h"

namespace icbus::e2e {
namespace {

using Frames = std::vector<std::string>;
constexpr char kUntouched[] = "untouched-buffer";

std::string LocalStamp() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &tm);
  return text;
}

class ClockTest : public ::testing::Test {
 protected:
  explicit ClockTest(const std::string& config = "") : sim_(config), com1_(1, sim_.link()) {}
  void SetUp() override { ASSERT_TRUE(sim_.running()) << "icbus-sim did not start"; }

  // The whole exchange, once the closing frame has reached the simulator.
  Frames FramesThroughClose() {
    EXPECT_TRUE(sim_.WaitForFrame("> S SZ!")) << "no closing frame";
    // Nothing may follow the closing frame.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    return sim_.Frames();
  }

  SimProcess sim_;
  PortMapping com1_;
};

struct Exchange {
  const char* name;
  std::function<int()> call;
  Frames frames;
};

// Default installation: terminal 1, and terminal 5 with management card 123456.
const std::vector<Exchange>& CommandsThatSucceed() {
  static const std::vector<Exchange> exchanges = {
      {"Clear",
       [] { return Clear(1, 1); },
       {"> M SA001!", "< N OK!", "> S SJ!", "< N DONE!", "> S SZ!"}},
      {"ClearA",
       [] { return ClearA(1, 5, 123456); },
       {"> M SA005123456!", "< N OK!", "> S SJ!", "< N DONE!", "> S SZ!"}},
  };
  return exchanges;
}

TEST_F(ClockTest, CommandsAnswerDoneAndCloseWithSZ) {
  for (const Exchange& exchange : CommandsThatSucceed()) {
    SCOPED_TRACE(exchange.name);
    std::size_t before = sim_.Frames().size();
    EXPECT_EQ(exchange.call(), 1);
    ASSERT_TRUE(sim_.WaitForFrame("> S SZ!", before));
    Frames frames = sim_.Frames();
    EXPECT_EQ(Frames(frames.begin() + before, frames.end()), exchange.frames);
  }
}

TEST_F(ClockTest, GetTimeCopiesTheClockText) {
  char out[32];
  std::strcpy(out, kUntouched);
  EXPECT_EQ(GetTime(1, 1, out), 1);
  EXPECT_STREQ(out, "20260101080000");
  EXPECT_EQ(FramesThroughClose(),
            (Frames{"> M SA001!", "< N OK!", "> S SD!", "< N 20260101080000!", "> S SZ!"}));
}

TEST_F(ClockTest, GetTimeASendsTheManagementCard) {
  char out[32];
  std::strcpy(out, kUntouched);
  EXPECT_EQ(GetTimeA(1, 5, out, 123456), 1);
  EXPECT_STREQ(out, "20260101080000");
  EXPECT_EQ(FramesThroughClose(),
            (Frames{"> M SA005123456!", "< N OK!", "> S SD!", "< N 20260101080000!", "> S SZ!"}));
}

// Sets the clock, checks the frame carries the local time of sending, and
// reads the new clock back from the terminal.
void ExpectClockSet(SimProcess& sim, const std::function<int()>& set, const std::string& address,
                    const std::function<int(char*)>& get) {
  std::string earliest = LocalStamp();
  ASSERT_EQ(set(), 1);
  std::string latest = LocalStamp();
  ASSERT_TRUE(sim.WaitForFrame("> S SZ!"));
  Frames frames = sim.Frames();
  ASSERT_EQ(frames.size(), 5u);
  EXPECT_EQ(frames[0], "> M " + address);
  EXPECT_EQ(frames[1], "< N OK!");
  ASSERT_EQ(frames[2].size(), std::string("> S SE20260101080000!").size()) << frames[2];
  EXPECT_EQ(frames[2].substr(0, 6), "> S SE");
  std::string sent = frames[2].substr(6, 14);
  EXPECT_LE(earliest, sent);
  EXPECT_LE(sent, latest);
  EXPECT_EQ(frames[3], "< N DONE!");
  EXPECT_EQ(frames[4], "> S SZ!");

  char out[32] = {};
  ASSERT_EQ(get(out), 1);
  EXPECT_EQ(std::string(out), sent);
}

TEST_F(ClockTest, SetTimeSendsTheLocalTime) {
  ExpectClockSet(
      sim_, [] { return SetTime(1, 1); }, "SA001!", [](char* out) { return GetTime(1, 1, out); });
}

TEST_F(ClockTest, SetTimeASendsTheLocalTime) {
  ExpectClockSet(
      sim_, [] { return SetTimeA(1, 5, 123456); }, "SA005123456!",
      [](char* out) { return GetTimeA(1, 5, out, 123456); });
}

// Nobody answers the address frame: result 0, buffer untouched, and the
// terminal that might have been selected still gets "SZ!" in data mode.
struct Unanswered {
  const char* name;
  std::function<int(char*)> call;
  const char* address_frame;
};

TEST_F(ClockTest, UnansweredAddressFailsAndStillSendsSZ) {
  const std::vector<Unanswered> cases = {
      {"GetTime, no such machine", [](char* out) { return GetTime(1, 7, out); }, "SA007!"},
      {"GetTimeA, wrong card", [](char* out) { return GetTimeA(1, 5, out, 654321); },
       "SA005654321!"},
      {"SetTime, no such machine", [](char*) { return SetTime(1, 2); }, "SA002!"},
      {"SetTimeA, wrong card padded", [](char*) { return SetTimeA(1, 5, 12345); }, "SA005012345!"},
      {"Clear, no such machine", [](char*) { return Clear(1, 999); }, "SA999!"},
      {"ClearA, wrong card padded", [](char*) { return ClearA(1, 5, 1); }, "SA005000001!"},
  };
  for (const Unanswered& c : cases) {
    SCOPED_TRACE(c.name);
    std::size_t before = sim_.Frames().size();
    char out[32];
    std::strcpy(out, kUntouched);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(c.call(out), 0);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_STREQ(out, kUntouched);
    // A 4-byte read with no answer ends at its total bound, 200 x 4 + 200 ms.
    EXPECT_GE(took, std::chrono::milliseconds(950));
    EXPECT_LT(took, std::chrono::milliseconds(1800));
    ASSERT_TRUE(sim_.WaitForFrame("> S SZ!", before));
    Frames frames = sim_.Frames();
    EXPECT_EQ(Frames(frames.begin() + before, frames.end()),
              (Frames{std::string("> M ") + c.address_frame, "> S SZ!"}));
  }
}

TEST_F(ClockTest, ArgumentsOutOfRangeSendNothing) {
  char out[32];
  std::strcpy(out, kUntouched);
  EXPECT_EQ(GetTime(1, 1000, out), 0);
  EXPECT_EQ(GetTimeA(1, 5, out, 1000000), 0);
  EXPECT_EQ(SetTime(1, -1), 0);
  EXPECT_EQ(ClearA(1, 5, -3), 0);
  EXPECT_EQ(Clear(0, 1), 0);
  EXPECT_STREQ(out, kUntouched);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(sim_.Frames().empty());
}

// Terminals that misbehave, set up through the installation file.
class FaultyTerminalTest : public ClockTest {
 protected:
  FaultyTerminalTest()
      : ClockTest(R"({"devices": [
          {"type": "terminal", "machine": 1, "faults": [
             {"kind": "wrong_word", "frame": "SJ", "text": "ERR"},
             {"kind": "no_bang", "frame": "SD"}]},
          {"type": "terminal", "machine": 2, "faults": [{"kind": "silence", "frame": "SE"}]},
          {"type": "terminal", "machine": 3, "faults": [{"kind": "zero_before_bang", "frame": "SA"}]},
          {"type": "terminal", "machine": 4, "clock": "20300405060708", "faults": [
             {"kind": "extra_bytes", "frame": "SA", "text": "JUNK!"}]},
          {"type": "terminal", "machine": 6, "faults": [
             {"kind": "delay", "frame": "SA", "delay_ms": 600}]},
          {"type": "terminal", "machine": 7, "faults": [
             {"kind": "delay", "frame": "SA", "delay_ms": 1400}]}
        ]})") {}
};

TEST_F(FaultyTerminalTest, WrongWordFails) {
  EXPECT_EQ(Clear(1, 1), 0);
  EXPECT_EQ(FramesThroughClose(),
            (Frames{"> M SA001!", "< N OK!", "> S SJ!", "< N ERR!", "> S SZ!"}));
}

TEST_F(FaultyTerminalTest, ReplyWithoutBangFailsAndLeavesTheBuffer) {
  char out[32];
  std::strcpy(out, kUntouched);
  EXPECT_EQ(GetTime(1, 1, out), 0);
  EXPECT_STREQ(out, kUntouched);
  EXPECT_EQ(FramesThroughClose(),
            (Frames{"> M SA001!", "< N OK!", "> S SD!", "< N 20260101080000", "> S SZ!"}));
}

TEST_F(FaultyTerminalTest, SilenceAfterTheCommandFails) {
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SetTime(1, 2), 0);
  auto took = std::chrono::steady_clock::now() - start;
  // 200 ms waiting for a fourth address byte (not with fast replies), then
  // 200 x 5 + 200 ms for DONE in both modes.
  EXPECT_GE(took, std::chrono::milliseconds(FastReplies() ? 1150 : 1350));
  EXPECT_LT(took, std::chrono::milliseconds(2400));
  Frames frames = FramesThroughClose();
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[0], "> M SA002!");
  EXPECT_EQ(frames[1], "< N OK!");
  EXPECT_EQ(frames[2].substr(0, 6), "> S SE");
  EXPECT_EQ(frames[3], "> S SZ!");
}

TEST_F(FaultyTerminalTest, ZeroByteBeforeBangFails) {
  char out[32];
  std::strcpy(out, kUntouched);
  EXPECT_EQ(GetTime(1, 3, out), 0);
  EXPECT_STREQ(out, kUntouched);
  EXPECT_EQ(FramesThroughClose(), (Frames{"> M SA003!", "< N OK\\x00!", "> S SZ!"}));
}

// "OK!JUNK!" fills the 4-byte read with "OK!J"; the rest waits in the input
// queue and must be purged before the command goes out.
TEST_F(FaultyTerminalTest, LeftoverBytesArePurgedBeforeTheCommand) {
  char out[32] = {};
  EXPECT_EQ(GetTime(1, 4, out), 1);
  EXPECT_STREQ(out, "20300405060708");
  EXPECT_EQ(FramesThroughClose(),
            (Frames{"> M SA004!", "< N OK!JUNK!", "> S SD!", "< N 20300405060708!", "> S SZ!"}));
}

// The address read may take 200 x 4 + 200 ms in all: an answer after 600 ms
// is in time, one after 1400 ms is not.
TEST_F(FaultyTerminalTest, LateAnswerWithinTheTotalTimeoutCounts) {
  EXPECT_EQ(Clear(1, 6), 1);
  EXPECT_EQ(FramesThroughClose(),
            (Frames{"> M SA006!", "< N OK!", "> S SJ!", "< N DONE!", "> S SZ!"}));
}

TEST_F(FaultyTerminalTest, AnswerAfterTheTotalTimeoutIsLost) {
  EXPECT_EQ(Clear(1, 7), 0);
  Frames frames = FramesThroughClose();
  ASSERT_GE(frames.size(), 2u);
  EXPECT_EQ(frames[0], "> M SA007!");
  EXPECT_EQ(frames[1], "> S SZ!");
}

}  // namespace
}  // namespace icbus::e2e
