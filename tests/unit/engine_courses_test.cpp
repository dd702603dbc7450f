// Every course of the engine, run from command descriptions against a
// scripted device: the frames, their modes, the closing frame and the port.
#include <gtest/gtest.h>

#include <memory>

#include "link/engine.h"
#include "link/session.h"
#include "scripted_device.h"
#include "sim/virtual_line.h"

namespace icbus::test {
namespace {

using Frames = std::vector<std::string>;
using sim::Mode;

class Courses : public ::testing::Test {
 protected:
  Courses() { device_ = &line_->bus(1).Add(std::make_unique<ScriptedDevice>()); }
  Frames frames() const { return line_->HostFrames(); }

  sim::ScopedVirtualLine line_;
  ScriptedDevice* device_;
};

Command Row(Course course, const std::string& frame, std::uint32_t reply_length,
            const char* expect) {
  Command command;
  command.course = course;
  command.machine = 7;
  command.card = 4321;
  command.frame = frame;
  command.reply_length = reply_length;
  command.expect = expect;
  return command;
}

TEST_F(Courses, SixDigitAddressPadsBothNumbers) {
  device_->On(Mode::kAddress, "SA007004321!", "OK!").On(Mode::kData, "SJ!", "DONE!");
  Outcome outcome = RunCommand(1, Row(Course::kSixDigit, "SJ!", 5, "DONE"));
  EXPECT_TRUE(outcome.ok);
  EXPECT_EQ(frames(), (Frames{"M SA007004321!", "S SJ!", "S SZ!"}));
}

struct CourseRow {
  const char* name;
  Course course;
  const char* script_reply;  // nullptr: the device stays silent
  bool ok;
  Frames wire;
};

// The command "SX007!" stands for any frame of these courses.
const CourseRow kCourseRows[] = {
    {"broadcast succeeds without closing frame", Course::kBroadcast, "DONE!", true,
     {"M SX007!"}},
    {"broadcast fails without closing frame", Course::kBroadcast, nullptr, false, {"M SX007!"}},
    {"broadcast wrong word", Course::kBroadcast, "ERR!", false, {"M SX007!"}},
    {"addressed in the command succeeds", Course::kInCommand, "DONE!", true,
     {"M SX007!", "S SZ!"}},
    {"addressed in the command fails", Course::kInCommand, nullptr, false,
     {"M SX007!", "S SZ!"}},
    {"card writer at no parity", Course::kCardWriter, "DONE!", true, {"N SX007!", "S SZ!"}},
    {"card writer silent", Course::kCardWriter, nullptr, false, {"N SX007!", "S SZ!"}},
};

class CourseTable : public Courses, public ::testing::WithParamInterface<CourseRow> {};

TEST_P(CourseTable, WireAndResult) {
  const CourseRow& row = GetParam();
  Mode mode = row.course == Course::kCardWriter ? Mode::kNone : Mode::kAddress;
  if (row.script_reply) device_->On(mode, "SX007!", row.script_reply);
  Outcome outcome = RunCommand(1, Row(row.course, "SX007!", 5, "DONE"));
  EXPECT_EQ(outcome.ok, row.ok);
  EXPECT_EQ(frames(), row.wire);
  EXPECT_FALSE(line_->IsOpen());
  EXPECT_FALSE(PortHeld());
}

INSTANTIATE_TEST_SUITE_P(Rows, CourseTable, ::testing::ValuesIn(kCourseRows),
                         [](const auto& info) {
                           std::string name;
                           for (const char* p = info.param.name; *p; ++p)
                             name += (*p == ' ') ? '_' : *p;
                           return name;
                         });

TEST_F(Courses, BroadcastWhoseAddressModeFailsSendsNothing) {
  line_->fail_when = [](const sim::PortCall& c) {
    return c.op == sim::PortOp::kSetState && c.parity == kMarkParity;
  };
  EXPECT_FALSE(RunCommand(1, Row(Course::kBroadcast, "SX007!", 5, "DONE")).ok);
  EXPECT_TRUE(frames().empty());
  EXPECT_FALSE(line_->IsOpen());
}

TEST_F(Courses, SuccessCanEndWithTwoClosingFrames) {
  device_->On(Mode::kAddress, "SA007004321!", "OK!").On(Mode::kData, "ST!", "DONE!");
  Command row = Row(Course::kSixDigit, "ST!", 5, "DONE");
  row.on_success = WrapUp::kEndTwice;
  EXPECT_TRUE(RunCommand(1, row).ok);
  EXPECT_EQ(frames(), (Frames{"M SA007004321!", "S ST!", "S SZ!", "S SZ!"}));
}

TEST_F(Courses, FailureWithTwoClosingFramesOnSuccessClosesOnce) {
  device_->On(Mode::kAddress, "SA007004321!", "OK!").On(Mode::kData, "ST!", "ERR!");
  Command row = Row(Course::kSixDigit, "ST!", 5, "DONE");
  row.on_success = WrapUp::kEndTwice;
  EXPECT_FALSE(RunCommand(1, row).ok);
  EXPECT_EQ(frames(), (Frames{"M SA007004321!", "S ST!", "S SZ!"}));
}

TEST_F(Courses, RawFrameGoesOutWholeWithItsZeroBytes) {
  std::string raw("S\0\x01\x02!", 5);
  device_->On(Mode::kAddress, "SA007004321!", "OK!").On(Mode::kData, raw, "DONE!");
  Command row = Row(Course::kSixDigit, raw, 5, "DONE");
  row.raw = true;
  EXPECT_TRUE(RunCommand(1, row).ok);
  ASSERT_EQ(frames().size(), 3u);
  EXPECT_EQ(frames()[1], "S " + raw);
}

TEST_F(Courses, FrameThatDoesNotFitItsBufferIsNeverSent) {
  Command row = Row(Course::kPlain, "S" + std::string(23, '1') + "!", 5, "DONE");  // 25 chars
  EXPECT_FALSE(RunCommand(1, row).ok);
  row.buffer_size = 8;
  row.frame = "SH12345!";  // 8 characters and a terminator in 8 bytes
  EXPECT_FALSE(RunCommand(1, row).ok);
  EXPECT_EQ(line_->opens(), 0);
  row.frame = "SH1234!";
  device_->On(Mode::kAddress, "SA007!", "OK!").On(Mode::kData, "SH1234!", "DONE!");
  EXPECT_TRUE(RunCommand(1, row).ok);
}

TEST_F(Courses, DownloadSessionKeepsThePortOpenBetweenExchanges) {
  device_->On(Mode::kAddress, "SA007!", "OK!")
      .On(Mode::kData, "SC!", "REC1!")
      .On(Mode::kData, "SB!", "OVER!");
  Command first = Row(Course::kPlain, "SC!", 32, nullptr);
  first.address_reply_length = 3;
  ASSERT_TRUE(OpenAndSelect(1, first));
  EXPECT_TRUE(PortHeld());
  Outcome record = Exchange(first);
  EXPECT_TRUE(record.ok);
  EXPECT_EQ(record.reply, "REC1");
  EXPECT_TRUE(line_->IsOpen());
  // While the session holds the port, no other transaction can open it.
  char out[15] = "untouched";
  EXPECT_FALSE(RunCommand(1, Row(Course::kPlain, "SD!", 15, nullptr)).ok);
  EXPECT_TRUE(line_->IsOpen());
  Outcome over = Exchange(Row(Course::kPlain, "SB!", 32, nullptr));
  EXPECT_EQ(over.reply, "OVER");
  EndSession(0);
  EXPECT_EQ(frames(), (Frames{"M SA007!", "S SC!", "S SB!", "S SZ!"}));
  EXPECT_EQ(line_->reads()[0].count, 3u);
  EXPECT_FALSE(line_->IsOpen());
  EXPECT_STREQ(out, "untouched");
}

TEST_F(Courses, ThreeByteAddressReadEndsWithoutWaiting) {
  device_->On(Mode::kAddress, "SA007!", "OK!");
  Command row = Row(Course::kPlain, "SC!", 32, nullptr);
  row.address_reply_length = 3;
  std::uint64_t before = line_->NowMicros();
  ASSERT_TRUE(OpenAndSelect(1, row));
  EXPECT_LT(line_->NowMicros() - before, 20'000u);
  EndSession(0);
}

TEST_F(Courses, PollUsesTheHeldPortInAddressModeWithFastTimeouts) {
  device_->On(Mode::kAddress, "SY007!", "000000!");
  ASSERT_TRUE(DevInit("1"));
  ASSERT_TRUE(ChangeDevSettings(0));
  auto outcome = Poll("SY007!", 21);
  ASSERT_TRUE(outcome);
  EXPECT_TRUE(outcome->ok);
  EXPECT_EQ(outcome->reply, "000000");
  EXPECT_EQ(frames(), (Frames{"M SY007!"}));
  EXPECT_TRUE(line_->IsOpen());
  const auto& read = line_->reads().back();
  EXPECT_EQ(read.count, 21u);
  EXPECT_EQ(read.timeouts.read_interval, 5u);
  EXPECT_EQ(read.timeouts.read_multiplier, 3u);
  EXPECT_EQ(read.timeouts.read_constant, 0u);
  DevClose();
}

TEST_F(Courses, SilentPollCostsThreeMillisecondsAByte) {
  ASSERT_TRUE(DevInit("1"));
  ASSERT_TRUE(ChangeDevSettings(0));
  std::uint64_t before = line_->NowMicros();
  auto outcome = Poll("SY007!", 21);
  ASSERT_TRUE(outcome);  // a silent terminal is not a failed read
  EXPECT_FALSE(outcome->ok);
  EXPECT_NEAR(static_cast<double>(line_->NowMicros() - before), 63'000.0 + sim::WireMicros(6),
              1000.0);
  DevClose();
}

TEST_F(Courses, PollWithoutAHeldPortSendsNothing) {
  EXPECT_FALSE(Poll("SY007!", 21));
  EXPECT_TRUE(frames().empty());
}

}  // namespace
}  // namespace icbus::test
