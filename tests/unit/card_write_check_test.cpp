// A purse write whose answer went wrong, read back: the card tells whether
// the top-up took, so that a retry does not credit it twice.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "icbus.hpp"
#include "line_fixture.h"

namespace icbus::test {
namespace {

// 50.0 yuan in tenths (500 = 0x01F4, little-endian), top-up count 0.
const std::string kFifty = "0000000000F401" + std::string(18, '0');

using Kind = sim::Fault::Kind;
using Meanwhile = std::function<void(sim::CardWriter&)>;

struct CheckRow {
  const char* name;
  int increase, check, error;  // Increase's result; the check's, with its icbus_last_error
  std::vector<sim::Fault> faults;
  Meanwhile meanwhile = [](sim::CardWriter&) {};  // done to the card before the check
};

const sim::Fault kLostDone{Kind::kSilence, "SW", 1, 0, 0, ""};
const Meanwhile kWriteUndone = [](sim::CardWriter& writer) { writer.card()->Block(2, 2) = kFifty; };
const Meanwhile kCardTaken = [](sim::CardWriter& writer) { writer.Present(-1); };
const Meanwhile kOtherCard = [](sim::CardWriter& writer) { writer.Present(1); };

const CheckRow kRows[] = {
    {"AnswerLostAfterTheWrite", 0, 1, ICBUS_ERR_NONE, {kLostDone}},
    // The writer applies the write before its answer is spoilt.
    {"WrongWordAfterTheWrite", 4, 1, ICBUS_ERR_NONE, {{Kind::kWrongWord, "SW", 1, 0, 0, "W3"}}},
    {"WriteNeverReachedTheCard", 0, 0, ICBUS_ERR_SILENT, {kLostDone}, kWriteUndone},
    {"CardTakenAway", 0, -1, ICBUS_ERR_CARD_NO_SINGLE, {kLostDone}, kCardTaken},
    {"AnotherCardOnTheWriter", 0, -1, ICBUS_ERR_UNEXPECTED_REPLY, {kLostDone}, kOtherCard},
    {"ReadFailedFirst", 0, -2, ICBUS_ERR_BAD_ARGUMENT, {{Kind::kSilence, "SR", 1, 0, 0, ""}}},
};

void PrintTo(const CheckRow& row, std::ostream* out) { *out << row.name; }

class CardWriteCheck : public ::testing::TestWithParam<CheckRow> {
 protected:
  CardWriteCheck() : writer_(AddCardWriter(*line_, 2)) {
    SetDecLen("");
    writer_.card()->Block(2, 2) = kFifty;
  }
  sim::ScopedVirtualLine line_;
  sim::CardWriter& writer_;
};

TEST_P(CardWriteCheck, ReadsTheBlockBackAndSaysWhetherTheWriteTook) {
  const CheckRow& row = GetParam();
  // An earlier top-up that went well must not be what is checked.
  ASSERT_EQ(Increase(1, 0, 2, 2, 5.0, 0), 1);
  writer_.card()->Block(2, 2) = kFifty;
  for (const sim::Fault& fault : row.faults) writer_.AddFault(fault);
  EXPECT_EQ(Increase(1, 0, 2, 2, 10.0, 0), row.increase);
  row.meanwhile(writer_);
  const std::size_t before = line_->HostFrames().size();
  EXPECT_EQ(icbus_check_card_write(), row.check);
  EXPECT_EQ(icbus_last_error(), row.error) << icbus_last_error_message();
  // One read-back exchange, no beep ("N SZ001!"); nothing with nothing to check.
  const Frames frames = line_->HostFrames();
  EXPECT_EQ(Frames(frames.begin() + static_cast<long>(before), frames.end()),
            row.check == -2 ? Frames{} : Frames({"N SR0210!", "S SZ!"}));
}

INSTANTIATE_TEST_SUITE_P(Faults, CardWriteCheck, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The C++ interface checks its own bus's write, not the default session's.
TEST(CardWriteCheckBus, ChecksTheWriteOfItsOwnSession) {
  sim::ScopedVirtualLine line;
  sim::CardWriter& writer = AddCardWriter(*line, 1);
  writer.card()->Block(2, 2) = kFifty;
  writer.AddFault(kLostDone);
  Bus bus(1);
  EXPECT_EQ(bus.TopUp(2, 2, 10.0, 0), CardResult::kNoReply);
  EXPECT_EQ(WriteCardMaxCC(1, 2, 2, -1), 5);  // clears the default session's record only
  EXPECT_EQ(icbus_check_card_write(), -2);
  EXPECT_EQ(bus.CheckCardWrite(), CardWrite::kApplied);
  EXPECT_EQ(Bus(std::move(bus)).CheckCardWrite(), CardWrite::kApplied);
}

}  // namespace
}  // namespace icbus::test
