// How long each export blocks when the line stays silent, in virtual time:
// the figures icbus.h states. One row per export; the first figure is a bus
// on which nothing answers, the second a terminal that answers its address
// and then falls silent (a course without an address phase has no second
// figure). The figures are the read time-outs' sum; the frames' own time on
// the wire (0.52 ms a byte) comes on top.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "icbus.h"
#include "scripted_device.h"
#include "sim/virtual_line.h"

namespace icbus::test {
namespace {

using sim::Mode;

char g_out[64];

// The wire time of a transaction's frames, at most (a top-up order is the
// longest: its glyph cells make it about 120 bytes).
constexpr std::uint64_t kWireSlackMs = 80;

void ExpectBlocks(std::uint64_t measured_ms, std::uint64_t stated_ms) {
  EXPECT_GE(measured_ms, stated_ms);
  EXPECT_LE(measured_ms, stated_ms + kWireSlackMs);
}

struct BlockingRow {
  const char* name;
  std::function<void()> call;
  std::uint64_t silent_ms;        // nothing answers
  std::int64_t after_address_ms;  // the terminal answers "OK!", then nothing; -1: no address
};

// Machine 7 (management card 123456) at port 1; the card writer's commands go
// to the same port.
const BlockingRow kRows[] = {
    {"GetTime", [] { GetTime(1, 7, g_out); }, 1000, 3400},
    {"GetTimeA", [] { GetTimeA(1, 7, g_out, 123456); }, 1000, 3400},
    {"SetTime", [] { SetTime(1, 7); }, 1000, 1400},
    {"SetTimeA", [] { SetTimeA(1, 7, 123456); }, 1000, 1400},
    {"Clear", [] { Clear(1, 7); }, 1000, 1400},
    {"ClearA", [] { ClearA(1, 7, 123456); }, 1000, 1400},
    {"SetOpenCard", [] { SetOpenCard(1, 7, "000123"); }, 1000, 1400},
    {"DelOpenCard", [] { DelOpenCard(1, 7, "000123"); }, 1000, 1400},
    {"ClearOpenCard", [] { ClearOpenCard(1, 7); }, 1000, 1400},
    {"SetOpenCardEx", [] { SetOpenCardEx(1, 7, "000123"); }, 1000, 1400},
    {"DelOpenCardEx", [] { DelOpenCardEx(1, 7, "000123"); }, 1000, 1400},
    {"ClearOpenCardEx", [] { ClearOpenCardEx(1, 7); }, 1000, 1400},
    {"QueryCard", [] { QueryCard(1, 7, "000123"); }, 1000, 1400},
    {"SetMachNo", [] { SetMachNo(1, "007K"); }, 1200, -1},
    {"SetMasterCard", [] { SetMasterCard(1, "123456"); }, 1200, -1},
    {"SetMasterCardA", [] { SetMasterCardA(1, 7, "654321", 123456); }, 1000, 1400},
    {"Log_onPass", [] { Log_onPass(1, "FFFFFFFFFFFF"); }, 1200, -1},
    {"SetPass", [] { SetPass(1, "FFFFFFFFFFFF"); }, 1200, -1},
    {"SetPassA", [] { SetPassA(1, "FFFFFFFFFFFF"); }, 1200, -1},
    {"SetMachRead", [] { SetMachRead(1, 7); }, 1000, 1400},
    {"GetMachStyle", [] { GetMachStyle(1, 7); }, 1000, 800},
    {"SetMachStyle", [] { SetMachStyle(1, 7, 1); }, 1000, 1400},
    {"GetState", [] { GetState(1, 7); }, 600, -1},
    {"SetPause", [] { SetPause(1, 7, 1); }, 1200, -1},
    {"SetMealTimes", [] { SetMealTimes(1, 7, 3); }, 1000, 1400},
    {"SetMealTime", [] { SetMealTime(1, 7, "107001000"); }, 1000, 1400},
    {"SetKeyboard", [] { SetKeyboard(1, 7, 1, 2.5); }, 1000, 1400},
    {"SetClassMenuMoney", [] { SetClassMenuMoney(1, 7, "A", "1", 2.5); }, 1000, 1400},
    {"SetClassMenuName", [] { SetClassMenuName(1, 7, "A", "1", "RICE"); }, 1000, 1400},
    {"SetReserveParam", [] { SetReserveParam(1, 7, 1, "TEXT"); }, 1000, 1400},
    {"SetIntervalTime", [] { SetIntervalTime(1, 7, 5); }, 800, 1200},
    {"SetScreenDisplayText", [] { SetScreenDisplayText(1, 7, "AWELCOME"); }, 1000, 1400},
    {"SetBellTime", [] { SetBellTime(1, 7, "10800010"); }, 1000, 1400},
    {"SetOpenTime", [] { SetOpenTime(1, 7, "107001000"); }, 800, 1200},
    {"SetWaterParam", [] { SetWaterParam(1, 7, 10, 2, 5); }, 1000, 1400},
    {"SetReadCardName", [] { SetReadCardName(1, 7, "000123123456NAME"); }, 1000, 1400},
    {"GetRecordCount", [] { GetRecordCount(1, 7); }, 1000, 3400},
    {"GetRecordCountA", [] { GetRecordCountA(1, 7, 123456); }, 1000, 2600},
    {"GetRecordCountR", [] { GetRecordCountR(1, 7, 1); }, 1000, 2800},
    {"GetRecordCountAt", [] { GetRecordCountAt(1, 7, 123456); }, 1000, 2800},
    {"GetTotal", [] { GetTotal(1, 7); }, 1000, 2800},
    {"GetFirst", [] { GetFirst(1, 7); }, 800, 0},
    {"GetFirstA", [] { GetFirstA(1, 7, 123456); }, 800, 0},
    {"BeepAX", [] { BeepAX(1, 0); }, 1200, -1},
    {"BeepAXFailure", [] { BeepAX(1, 1); }, 2450, -1},
    {"ReadCard", [] { ReadCard(1, 2, 2, g_out); }, 9250, -1},
    {"WriteCard", [] { WriteCard(1, 2, 2, "123"); }, 8000, -1},
    {"WriteCardEx", [] { WriteCardEx(1, 2, 2, "123", "12345", 20.0); }, 8000, -1},
    {"WriteCardAccountNo", [] { WriteCardAccountNo(1, 2, 2, "1234"); }, 3650, -1},
    {"WriteCardPass", [] { WriteCardPass(1, 2, 2, "12345"); }, 8000, -1},
    {"ReadCardPass", [] { ReadCardPass(1, 2, 2, g_out); }, 9250, -1},
    {"ReadBalance", [] { ReadBalance(1, 2, 2, 0); }, 9250, -1},
    {"Increase", [] { Increase(1, 0, 2, 2, 5.0, 0); }, 9250, -1},
    {"Decrease", [] { Decrease(1, 0, 2, 2, 5.0, 0); }, 9250, -1},
    {"ReadCardMaxConsume", [] { ReadCardMaxConsume(1, 2, 2); }, 9250, -1},
    {"WriteCardMaxConsume", [] { WriteCardMaxConsume(1, 2, 2, 20.0); }, 8000, -1},
    {"ReadCardAddCount", [] { ReadCardAddCount(1, 2, 2); }, 9250, -1},
    {"WriteCardAddCount", [] { WriteCardAddCount(1, 2, 2, 3); }, 9250, -1},
    {"ReadCardMaxCC", [] { ReadCardMaxCC(1, 2, 1); }, 9250, -1},
    {"WriteCardMaxCC", [] { WriteCardMaxCC(1, 2, 1, 3); }, 9250, -1},
    {"TransmitATM", [] { TransmitATM(1, 7, 1, 1, 5.0, "", 123456); }, 1000, 1400},
};

class Blocking : public ::testing::TestWithParam<BlockingRow> {
 protected:
  // Port 1 opens onto a bus on which nothing answers yet.
  Blocking() { line_->bus(1); }
  std::uint64_t Measure() {
    std::uint64_t start = line_->NowMicros();
    GetParam().call();
    return (line_->NowMicros() - start) / 1000;
  }
  sim::ScopedVirtualLine line_;
};

// The same rows, for the courses that have an address phase.
class AddressedBlocking : public Blocking {};

TEST_P(Blocking, OnASilentLine) { ExpectBlocks(Measure(), GetParam().silent_ms); }

TEST_P(AddressedBlocking, WhenTheTerminalFallsSilentAfterItsAddress) {
  line_->bus(1)
      .Add(std::make_unique<ScriptedDevice>())
      .On(Mode::kAddress, "SA007!", "OK!")
      .On(Mode::kAddress, "SA007123456!", "OK!");
  ExpectBlocks(Measure(), static_cast<std::uint64_t>(GetParam().after_address_ms));
}

// The rows of the courses with an address phase.
std::vector<BlockingRow> AddressedRows() {
  std::vector<BlockingRow> rows;
  for (const BlockingRow& row : kRows)
    if (row.after_address_ms >= 0) rows.push_back(row);
  return rows;
}

INSTANTIATE_TEST_SUITE_P(Exports, Blocking, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Exports, AddressedBlocking, ::testing::ValuesIn(AddressedRows()),
                         [](const auto& info) { return std::string(info.param.name); });

// The record calls of an open download, when the terminal stops answering.
struct RecordRow {
  const char* name;
  int (*call)(int, char*);
  std::uint64_t silent_ms;
};

// With two decimals GetNext reads 33 bytes and GetNextBak 38.
const RecordRow kTwoDecimalRows[] = {
    {"GetNext", GetNext, 6850},
    {"GetNextBak", GetNextBak, 7850},
};

const RecordRow kRecordRows[] = {
    {"GetNext", GetNext, 6650},       {"GetNextK", GetNextK, 3800},   {"GetNextR", GetNextR, 3800},
    {"GetNextBak", GetNextBak, 6650}, {"GetNextAt", GetNextAt, 6650}, {"GetNextW", GetNextW, 4600},
    {"GetNextA", GetNextA, 6800},
};

class RecordBlocking : public ::testing::TestWithParam<RecordRow> {
 protected:
  // Opens a download from terminal 7, which then answers nothing more.
  void ExpectSilentRecordCallBlocks() {
    line_->bus(1).Add(std::make_unique<ScriptedDevice>()).On(Mode::kAddress, "SA007!", "OK!");
    ASSERT_EQ(GetFirst(1, 7), 1);
    std::uint64_t start = line_->NowMicros();
    EXPECT_EQ(GetParam().call(7, g_out), 0);
    ExpectBlocks((line_->NowMicros() - start) / 1000, GetParam().silent_ms);
  }
  sim::ScopedVirtualLine line_;
};

TEST_P(RecordBlocking, WhenTheTerminalFallsSilentDuringADownload) {
  ExpectSilentRecordCallBlocks();
}

INSTANTIATE_TEST_SUITE_P(Exports, RecordBlocking, ::testing::ValuesIn(kRecordRows),
                         [](const auto& info) { return std::string(info.param.name); });

class TwoDecimalRecordBlocking : public RecordBlocking {
 protected:
  TwoDecimalRecordBlocking() { SetDecLen("2"); }
  ~TwoDecimalRecordBlocking() override { SetDecLen(""); }
};

TEST_P(TwoDecimalRecordBlocking, WhenTheTerminalFallsSilentDuringADownload) {
  ExpectSilentRecordCallBlocks();
}

INSTANTIATE_TEST_SUITE_P(Exports, TwoDecimalRecordBlocking, ::testing::ValuesIn(kTwoDecimalRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The swipe poll reads with the short time-outs: 3 ms a byte, 21 bytes.
TEST(PollBlocking, OnASilentLine) {
  sim::ScopedVirtualLine line;
  line->bus(1);
  ASSERT_EQ(icDevInit("1"), 1);
  ASSERT_EQ(ChangeicDevSettings(0), 1);
  std::uint64_t start = line->NowMicros();
  Real_time(7, g_out);
  ExpectBlocks((line->NowMicros() - start) / 1000, 63);
  icDevClose();
}

}  // namespace
}  // namespace icbus::test
