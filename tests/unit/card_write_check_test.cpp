// A purse write whose answer went wrong, read back: the card tells whether
// the top-up took, so that a retry does not credit it twice.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "icbus.h"
#include "icbus.hpp"
#include "line_fixture.h"

namespace icbus::test {
namespace {

// 50.0 yuan in tenths (500 = 0x01F4, little-endian), top-up count 0.
const std::string kFifty = "0000000000F401" + std::string(18, '0');

sim::Fault Fault(sim::Fault::Kind kind, const char* prefix, int count, int after = 0,
                 const char* text = "") {
  sim::Fault fault;
  fault.kind = kind;
  fault.frame_prefix = prefix;
  fault.count = count;
  fault.after = after;
  fault.text = text;
  return fault;
}

using Kind = sim::Fault::Kind;

struct CheckRow {
  const char* name;
  int increase;  // Increase's result
  int check;     // icbus_check_card_write's
  int error;     // icbus_last_error after the check
  std::vector<sim::Fault> faults;
  // What happens to the card between the top-up and the read-back.
  std::function<void(sim::CardWriter&)> meanwhile = [](sim::CardWriter&) {};
};

const sim::Fault kLostDone = Fault(Kind::kSilence, "SW", 1);
using Meanwhile = std::function<void(sim::CardWriter&)>;
const Meanwhile kWriteUndone = [](sim::CardWriter& writer) { writer.card()->Block(2, 2) = kFifty; };
const Meanwhile kCardTaken = [](sim::CardWriter& writer) { writer.Present(-1); };
const Meanwhile kOtherCard = [](sim::CardWriter& writer) { writer.Present(1); };

const CheckRow kRows[] = {
    {"AnswerLostAfterTheWrite", 0, 1, ICBUS_ERR_NONE, {kLostDone}},
    // The writer applies the write before its answer is spoilt.
    {"WrongWordAfterTheWrite", 4, 1, ICBUS_ERR_NONE, {Fault(Kind::kWrongWord, "SW", 1, 0, "W3")}},
    {"WriteNeverReachedTheCard", 0, 0, ICBUS_ERR_SILENT, {kLostDone}, kWriteUndone},
    {"CardTakenAway", 0, -1, ICBUS_ERR_CARD_NO_SINGLE, {kLostDone}, kCardTaken},
    {"AnotherCardOnTheWriter", 0, -1, ICBUS_ERR_UNEXPECTED_REPLY, {kLostDone}, kOtherCard},
    {"ReadBackSilent", 0, -1, ICBUS_ERR_SILENT, {kLostDone, Fault(Kind::kSilence, "SR", -1, 1)}},
    {"ReadFailedBeforeTheWrite", 0, -2, ICBUS_ERR_BAD_ARGUMENT, {Fault(Kind::kSilence, "SR", 1)}},
};

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
  EXPECT_EQ(row.error == ICBUS_ERR_NONE, *icbus_last_error_message() == '\0');
  const auto frames = line_->HostFrames();
  const std::vector<std::string> check(frames.begin() + static_cast<long>(before), frames.end());
  // One read-back exchange and no beep ("N SZ001!"); nothing at all when
  // there is nothing to check.
  EXPECT_EQ(check, row.check == -2 ? Frames{} : Frames({"N SR0210!", "S SZ!"}));
  if (row.check == 1) {
    writer_.ClearFaults();
    EXPECT_DOUBLE_EQ(ReadBalance(1, 2, 2, 0), 60.0);
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, CardWriteCheck, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The C++ interface checks the write of its own bus, not the process-wide
// session's.
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
  EXPECT_EQ(bus.CheckCardWrite(), CardWrite::kNothingToCheck);  // moved from
}

}  // namespace
}  // namespace icbus::test
