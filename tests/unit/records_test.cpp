// Record counts, totals, the download session and the real-time poll, on a
// scripted terminal at machine 7.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "icbus.h"
#include "link/session.h"
#include "scripted_device.h"
#include "sim/virtual_line.h"

namespace icbus::test {
namespace {

using Frames = std::vector<std::string>;
using sim::Mode;

class Records : public ::testing::Test {
 protected:
  Records() {
    device_ = &line_->bus(1).Add(std::make_unique<ScriptedDevice>());
    device_->On(Mode::kAddress, "SA007!", "OK!").On(Mode::kAddress, "SA007123456!", "OK!");
    SetDecLen("");
  }
  ~Records() override { SetDecLen(""); }
  Frames frames() const { return line_->HostFrames(); }
  std::vector<std::uint32_t> reads() const {
    std::vector<std::uint32_t> counts;
    for (const auto& read : line_->reads()) counts.push_back(read.count);
    return counts;
  }

  sim::ScopedVirtualLine line_;
  ScriptedDevice* device_;
};

struct CountRow {
  const char* name;
  int (*call)();
  const char* address;
  const char* request;
  std::uint32_t read;
};

const CountRow kCounts[] = {
    {"GetRecordCount", [] { return GetRecordCount(1, 7); }, "M SA007!", "SK!", 15},
    {"GetRecordCountA", [] { return GetRecordCountA(1, 7, 123456); }, "M SA007123456!", "SK!", 11},
    {"GetRecordCountR", [] { return GetRecordCountR(1, 7, 3); }, "M SA007!", "SK3!", 12},
    {"GetRecordCountAt", [] { return GetRecordCountAt(1, 7, 123456); }, "M SA007123456!", "SK!", 12},
};

class Count : public Records, public ::testing::WithParamInterface<CountRow> {};

TEST_P(Count, ParsesTheFirstFiveDigits) {
  device_->On(Mode::kData, GetParam().request, "00012!");
  EXPECT_EQ(GetParam().call(), 12);
  EXPECT_EQ(frames(), (Frames{GetParam().address, std::string("S ") + GetParam().request, "S SZ!"}));
  EXPECT_EQ(reads(), (std::vector<std::uint32_t>{4, GetParam().read}));
  EXPECT_FALSE(line_->IsOpen());
}

TEST_P(Count, FailuresAreMinusOne) {
  for (const char* reply : {"ERR!", "!", "0001!", "00a12!", "00012"}) {
    device_->On(Mode::kData, GetParam().request, reply);
    EXPECT_EQ(GetParam().call(), -1) << reply;
  }
  device_->On(Mode::kData, GetParam().request, "00000!");
  EXPECT_EQ(GetParam().call(), 0);
}

INSTANTIATE_TEST_SUITE_P(Exports, Count, ::testing::ValuesIn(kCounts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Records, CountKindMustBeOneDigit) {
  EXPECT_EQ(GetRecordCountR(1, 7, 10), -1);
  EXPECT_EQ(GetRecordCountR(1, 7, -1), -1);
  EXPECT_TRUE(frames().empty());
}

TEST_F(Records, TotalInTenthsAndInHundredths) {
  device_->On(Mode::kData, "SK!", "00003001234!");
  EXPECT_DOUBLE_EQ(GetTotal(1, 7), 123.4);
  EXPECT_EQ(line_->reads().back().count, 12u);
  SetDecLen("2");
  device_->On(Mode::kData, "SK!", "0000300001234!");
  EXPECT_DOUBLE_EQ(GetTotal(1, 7), 12.34);
  EXPECT_EQ(line_->reads().back().count, 15u);
  SetDecLen("2 ");
  device_->On(Mode::kData, "SK!", "00003001234!");
  EXPECT_DOUBLE_EQ(GetTotal(1, 7), 123.4);
  EXPECT_EQ(line_->reads().back().count, 12u);
}

TEST_F(Records, TotalFailures) {
  for (const char* reply : {"ERR!", "!", "00003!", "0000300123!"}) {
    device_->On(Mode::kData, "SK!", reply);
    EXPECT_EQ(GetTotal(1, 7), -1.0) << reply;
  }
}

TEST_F(Records, TotalWhoseDataModeFailsClosesWithoutClosingFrame) {
  line_->fail_when = [](const sim::PortCall& c) {
    return c.op == sim::PortOp::kSetState && c.parity == kSpaceParity;
  };
  EXPECT_EQ(GetTotal(1, 7), -1.0);
  EXPECT_EQ(frames(), (Frames{"M SA007!"}));
  EXPECT_FALSE(line_->IsOpen());
}

struct RecordRow {
  const char* name;
  int (*next)(int, char*);
  bool six_digit;
  const char* command;
  std::uint32_t read, read_two;
  const char* line;  // for the reply "XYZ" and machine 7
  bool pause;
};

const RecordRow kRecordRows[] = {
    {"GetNext", GetNext, false, "SC!", 32, 33, "20XYZ007", true},
    {"GetNextK", GetNextK, false, "SC!", 18, 18, "20XYZ007", false},
    {"GetNextR", GetNextR, false, "SC!", 18, 18, "20XYZ007", false},
    {"GetNextBak", GetNextBak, false, "SB!", 32, 38, "20XYZ007", true},
    {"GetNextAt", GetNextAt, true, "SC!", 32, 32, "203XYZ007", true},
    {"GetNextW", GetNextW, false, "SC!", 22, 22, "XYZ007", false},
    {"GetNextA", GetNextA, true, "SC!", 33, 33, "20XYZ007", false},
};

class Download : public Records, public ::testing::WithParamInterface<RecordRow> {
 protected:
  int First() { return GetParam().six_digit ? GetFirstA(1, 7, 123456) : GetFirst(1, 7); }
  std::string Address() const { return GetParam().six_digit ? "M SA007123456!" : "M SA007!"; }
  std::string Command() const { return std::string("S ") + GetParam().command; }
};

TEST_P(Download, RecordsThenOver) {
  device_->OnEach(Mode::kData, GetParam().command, {"XYZ!", "ABC!", "OVER!"});
  ASSERT_EQ(First(), 1);
  EXPECT_TRUE(PortHeld());
  char out[64];
  ASSERT_EQ(GetParam().next(7, out), 1);
  EXPECT_STREQ(out, GetParam().line);
  ASSERT_EQ(GetParam().next(7, out), 1);
  const std::vector<std::uint32_t> pauses =
      GetParam().pause ? std::vector<std::uint32_t>{50, 50} : std::vector<std::uint32_t>{};
  EXPECT_EQ(line_->pump_waits(), pauses);
  EXPECT_TRUE(line_->IsOpen());
  ASSERT_EQ(GetParam().next(7, out), 1);
  EXPECT_STREQ(out, "OVER");
  EXPECT_FALSE(line_->IsOpen());
  EXPECT_EQ(frames(), (Frames{Address(), Command(), Command(), Command(), "S SZ!"}));
  EXPECT_EQ(reads(), (std::vector<std::uint32_t>{3, GetParam().read, GetParam().read,
                                                  GetParam().read}));
  // After the end no record call sends anything.
  std::strcpy(out, "kept");
  EXPECT_EQ(GetParam().next(7, out), 0);
  EXPECT_STREQ(out, "kept");
  EXPECT_EQ(frames().size(), 5u);
}

TEST_P(Download, ReadLengthWithTwoDecimals) {
  SetDecLen("2");
  device_->On(Mode::kData, GetParam().command, "OVER!");
  ASSERT_EQ(First(), 1);
  char out[64];
  ASSERT_EQ(GetParam().next(7, out), 1);
  EXPECT_EQ(line_->reads().back().count, GetParam().read_two);
}

TEST_P(Download, EmptyReplyEndsTheSession) {
  device_->On(Mode::kData, GetParam().command, "!");
  ASSERT_EQ(First(), 1);
  char out[64] = "kept";
  ASSERT_EQ(GetParam().next(7, out), 1);
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(line_->IsOpen());
  EXPECT_EQ(frames().back(), "S SZ!");
}

TEST_P(Download, TerminalStoppingMidwayKeepsWhatArrivedAndReportsFailure) {
  device_->OnEach(Mode::kData, GetParam().command, {"XYZ!", "ABC"});
  ASSERT_EQ(First(), 1);
  char out[64];
  ASSERT_EQ(GetParam().next(7, out), 1);
  EXPECT_STREQ(out, GetParam().line);
  EXPECT_EQ(GetParam().next(7, out), 0);
  EXPECT_STREQ(out, GetParam().line);  // untouched by the failed call
  EXPECT_FALSE(line_->IsOpen());
  EXPECT_EQ(frames().back(), "S SZ!");
}

TEST_P(Download, WithoutASessionNothingIsSent) {
  char out[64] = "kept";
  EXPECT_EQ(GetParam().next(7, out), 0);
  EXPECT_STREQ(out, "kept");
  EXPECT_TRUE(frames().empty());
}

INSTANTIATE_TEST_SUITE_P(Exports, Download, ::testing::ValuesIn(kRecordRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Records, FirstFailsWhenTheTerminalDoesNotAnswer) {
  EXPECT_EQ(GetFirst(1, 8), 0);
  EXPECT_EQ(frames(), (Frames{"M SA008!", "S SZ!"}));
  EXPECT_EQ(reads(), (std::vector<std::uint32_t>{3}));
  EXPECT_FALSE(line_->IsOpen());
  EXPECT_EQ(GetFirst(1, 1000), 0);
  EXPECT_EQ(GetFirstA(1, 7, -1), 0);
  EXPECT_EQ(frames().size(), 2u);
}

TEST_F(Records, BadBufferOrMachineEndsTheSessionInsteadOfLeakingThePort) {
  device_->On(Mode::kData, "SC!", "XYZ!");
  ASSERT_EQ(GetFirst(1, 7), 1);
  EXPECT_EQ(GetNext(7, nullptr), 0);
  EXPECT_FALSE(PortHeld());
  ASSERT_EQ(GetFirst(1, 7), 1);
  char out[64] = "kept";
  EXPECT_EQ(GetNext(1000, out), 0);
  EXPECT_STREQ(out, "kept");
  EXPECT_FALSE(PortHeld());
}

TEST_F(Records, NoOtherTransactionDuringADownload) {
  device_->On(Mode::kData, "SC!", "XYZ!");
  ASSERT_EQ(GetFirst(1, 7), 1);
  EXPECT_EQ(GetRecordCount(1, 7), -1);
  EXPECT_TRUE(line_->IsOpen());
  EXPECT_EQ(frames().size(), 1u);
  icDevClose();
}

TEST_F(Records, RealTimePollsTheHeldPort) {
  device_->OnEach(Mode::kAddress, "SY007!", {"000000!", "12345678901234567890!"});
  char out[32] = "kept";
  EXPECT_EQ(Real_time(7, out), 0);  // no port held
  EXPECT_TRUE(frames().empty());
  ASSERT_EQ(icDevInit("1"), 1);
  ASSERT_EQ(ChangeicDevSettings(0), 1);
  EXPECT_EQ(Real_time(7, out), 1);
  EXPECT_STREQ(out, "000000");
  EXPECT_EQ(Real_time(7, out), 1);
  EXPECT_STREQ(out, "12345678901234567890");
  EXPECT_EQ(Real_time(8, out), 1);  // silence: true, buffer unchanged
  EXPECT_STREQ(out, "12345678901234567890");
  EXPECT_EQ(Real_time(1000, out), 0);
  EXPECT_EQ(frames(), (Frames{"M SY007!", "M SY007!", "M SY008!"}));
  EXPECT_EQ(line_->reads().back().count, 21u);
  EXPECT_TRUE(line_->IsOpen());
  icDevClose();
}

}  // namespace
}  // namespace icbus::test
