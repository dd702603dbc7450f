// The simulated terminal's record stores and swipe queue, frame by frame on
// a bus: what it answers to "SK", "SC", "SB", "SJ" and "SY" and what it
// keeps between selections.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "bus.h"
#include "terminal.h"

namespace icbus::sim {
namespace {

const char kSilent[] = "<silent>";

class TerminalRecords : public ::testing::Test {
 protected:
  TerminalRecords() {
    config_.machine = 7;
    config_.records = {"R1", "R2"};
    config_.backup = {"B1"};
  }
  Terminal& Install() {
    terminal_ = &bus_.Add(std::make_unique<Terminal>(config_));
    return *terminal_;
  }
  // The bytes that reach the host for one frame.
  std::string Send(const std::string& frame, Mode mode = Mode::kData) {
    auto reply = bus_.Deliver({frame, mode});
    return reply ? reply->bytes : kSilent;
  }
  std::vector<std::string> SendEach(const std::vector<std::string>& frames) {
    std::vector<std::string> replies;
    for (const auto& frame : frames) replies.push_back(Send(frame));
    return replies;
  }
  std::string Select() { return Send("SA007!", Mode::kAddress); }

  TerminalConfig config_;
  Bus bus_;
  Terminal* terminal_ = nullptr;
};

using Replies = std::vector<std::string>;

TEST_F(TerminalRecords, RecordsInOrderThenOverForGood) {
  Install();
  ASSERT_EQ(Select(), "OK!");
  EXPECT_EQ(SendEach({"SC!", "SC!", "SC!", "SC!"}), (Replies{"R1!", "R2!", "OVER!", "OVER!"}));
}

TEST_F(TerminalRecords, EachSelectionReadsFromTheFirstRecordAgain) {
  Install();
  Select();
  EXPECT_EQ(Send("SC!"), "R1!");
  Send("SZ!");
  Select();
  EXPECT_EQ(SendEach({"SC!", "SC!", "SC!"}), (Replies{"R1!", "R2!", "OVER!"}));
  EXPECT_EQ(terminal_->state().records.size(), 2u) << "reading deletes nothing";
}

TEST_F(TerminalRecords, BackupStoreHasItsOwnReadPosition) {
  Install();
  Select();
  EXPECT_EQ(SendEach({"SC!", "SB!", "SB!", "SC!", "SC!"}),
            (Replies{"R1!", "B1!", "OVER!", "R2!", "OVER!"}));
}

TEST_F(TerminalRecords, ClearingEmptiesTheRecordsAndKeepsTheBackup) {
  config_.total = 55;
  config_.kind_counts = {{3, 9}};
  Install();
  Select();
  EXPECT_EQ(Send("SC!"), "R1!");
  EXPECT_EQ(Send("SJ!"), "DONE!");
  EXPECT_EQ(SendEach({"SC!", "SK!", "SK3!", "SB!"}),
            (Replies{"OVER!", "00000000000!", "00000!", "B1!"}));
}

TEST_F(TerminalRecords, NothingIsAnsweredUnselected) {
  Install();
  EXPECT_EQ(Send("SC!"), kSilent);
  EXPECT_EQ(Send("SK!"), kSilent);
  Select();
  Send("SZ!");
  EXPECT_EQ(Send("SC!"), kSilent);
}

TEST_F(TerminalRecords, RecordCommandsTakeNoArgument) {
  Install();
  Select();
  EXPECT_EQ(SendEach({"SC1!", "SB1!", "SC!"}), (Replies{"ERR!", "ERR!", "R1!"}));
}

struct CountRow {
  const char* name;
  TerminalKind kind;
  int decimals;
  bool count_error;
  const char* frame;
  const char* reply;
};

// Test names and failure messages show the row by its name.
void PrintTo(const CountRow& row, std::ostream* out) { *out << row.name; }

// Three records; a total of 1234 units; four records of kind 3.
const CountRow kCountRows[] = {
    {"WindowTenths", TerminalKind::kWindow, 1, false, "SK!", "00003001234!"},
    {"WindowHundredths", TerminalKind::kWindow, 2, false, "SK!", "0000300001234!"},
    {"Attendance", TerminalKind::kAttendance, 1, false, "SK!", "00003!"},
    {"TopUp", TerminalKind::kTopUp, 2, false, "SK!", "00003!"},
    {"DesktopTopUp", TerminalKind::kDesktopTopUp, 1, false, "SK!", "00003!"},
    {"Water", TerminalKind::kWater, 1, false, "SK!", "00003!"},
    {"KindCounted", TerminalKind::kWindow, 1, false, "SK3!", "00004!"},
    {"KindNotCounted", TerminalKind::kWindow, 1, false, "SK0!", "00003!"},
    {"KindTwoDigits", TerminalKind::kWindow, 1, false, "SK12!", "ERR!"},
    {"KindNotADigit", TerminalKind::kWindow, 1, false, "SKx!", "ERR!"},
    {"Error", TerminalKind::kWindow, 1, true, "SK!", "ERR!"},
    {"ErrorForAKind", TerminalKind::kAttendance, 1, true, "SK3!", "ERR!"},
};

class CountReply : public TerminalRecords, public ::testing::WithParamInterface<CountRow> {};

TEST_P(CountReply, Answers) {
  config_.kind = GetParam().kind;
  config_.decimals = GetParam().decimals;
  config_.count_error = GetParam().count_error;
  config_.records = {"R1", "R2", "R3"};
  config_.total = 1234;
  config_.kind_counts = {{3, 4}};
  Install();
  Select();
  EXPECT_EQ(Send(GetParam().frame), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(Terminal, CountReply, ::testing::ValuesIn(kCountRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TerminalRecords, TotalKeepsItsFieldWidth) {
  config_.total = 1234567;
  Install();
  Select();
  EXPECT_EQ(Send("SK!"), "00002234567!") << "six digits of tenths";
}

TEST_F(TerminalRecords, FillRecordsGeneratesTheKindWithItsTotal) {
  config_.kind = TerminalKind::kDesktopTopUp;
  FillRecords(&config_, 5);
  EXPECT_EQ(config_.records, GenerateRecords(TerminalKind::kDesktopTopUp, 1, 7, 5, nullptr));
  EXPECT_EQ(config_.total, 0) << "only window terminals total their records";
  config_.kind = TerminalKind::kWindow;
  FillRecords(&config_, 5);
  EXPECT_EQ(config_.total, 1 + 2 + 3 + 4 + 5);
}

TEST_F(TerminalRecords, SwipesAnswerTheirOwnMachinesPollOnceEach) {
  config_.swipes = {"11111111112222222222", "33333333334444444444"};
  Install();
  EXPECT_EQ(Send("SY008!", Mode::kAddress), kSilent);
  EXPECT_EQ(Send("SY007!", Mode::kAddress), "11111111112222222222!");
  EXPECT_EQ(Send("SY007!", Mode::kAddress), "33333333334444444444!");
  EXPECT_EQ(Send("SY007!", Mode::kAddress), "000000!");
  EXPECT_EQ(Send("SY007!", Mode::kAddress), "000000!");
  EXPECT_TRUE(terminal_->state().swipes.empty());
}

TEST_F(TerminalRecords, SwipePollWithMalformedMachineIsIgnored) {
  config_.swipes = {"11111111112222222222"};
  Install();
  for (const char* frame : {"SY07!", "SY00x!", "SY!", "SY0000007!"}) {
    EXPECT_EQ(Send(frame, Mode::kAddress), kSilent) << frame;
  }
  EXPECT_EQ(Send("SY0007!", Mode::kAddress), "11111111112222222222!");
}

}  // namespace
}  // namespace icbus::sim
