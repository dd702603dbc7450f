// The card operations against a simulated card writer: the block before,
// the call, the block after, the beeps and the result; and that nothing is
// written from input or blocks that are not card data.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

#include "icbus.h"
#include "line_fixture.h"
#include "sim/card_writer.h"
#include "sim/virtual_line.h"

namespace icbus::test {
namespace {

using Beeps = std::vector<int>;
const Beeps kSuccess = {1};
const Beeps kFailure = {1, 6};
const Beeps kNone = {};

class Cards : public ::testing::Test {
 protected:
  Cards() {
    writer_ = &AddCardWriter(*line_, 2);
    SetDecLen("");
  }
  ~Cards() override { SetDecLen(""); }
  std::string& Block(int block = 2) { return writer_->card()->Block(2, block); }
  std::vector<std::string> Writes() const {
    std::vector<std::string> writes;
    for (const auto& frame : line_->HostFrames())
      if (frame.rfind("N SW", 0) == 0) writes.push_back(frame.substr(2));
    return writes;
  }

  sim::ScopedVirtualLine line_;

 public:
  sim::CardWriter* writer_;
};

struct EdgeRow {
  const char* name;
  const char* decimals;
  std::string before;
  std::function<double()> call;
  double result;
  std::string after;  // empty: the block is unchanged
  Beeps beeps;
  int block = 2;
};

char g_out[64];
const std::string kRest(26, '5');

const EdgeRow kEdges[] = {
    {"WriteCardKeepsTheRest", "", "FFFFFF1234" + std::string(22, 'A'),
     [] { return WriteCard(1, 2, 2, "000001"); }, 1, "0100601234" + std::string(22, 'A'), kSuccess},
    {"WriteCardLargest", "", std::string(32, '0'), [] { return WriteCard(1, 2, 2, "1048575"); }, 1,
     "FFFF6F" + std::string(26, '0'), kSuccess},
    {"ReadCardSixDigits", "", "010060" + kRest,
     [] { return ReadCard(1, 2, 2, g_out) == 1 && std::strcmp(g_out, "000001") == 0 ? 1 : 0; }, 1,
     "", kSuccess},
    {"ReadCardSevenDigits", "", "FFFF6F" + kRest,
     [] { return ReadCard(1, 2, 2, g_out) == 1 && std::strcmp(g_out, "1048575") == 0 ? 1 : 0; }, 1,
     "", kSuccess},
    {"WriteCardExIgnoresTheLayout", "2", std::string(32, '0'),
     [] { return WriteCardEx(1, 2, 2, "74565", "12345", 20.0); }, 1,
     "452361" + std::string(16, '0') + "C800" + "214305", kSuccess},
    {"ReadBalanceTwoDecimals", "2", "0000000000" + std::string("3F420F") + std::string(16, '0'),
     [] { return ReadBalance(1, 2, 2, 0); }, 9999.99, "", kSuccess},
    {"ReadBalanceTenths", "", "0000000000FFFF" + std::string(18, '0'),
     [] { return ReadBalance(1, 2, 2, 0); }, 6553.5, "", kSuccess},
    {"ReadBalanceHundredths", "", "0000000000FFFF" + std::string(18, '0'),
     [] { return ReadBalance(1, 2, 2, 1); }, 655.35, "", kSuccess},
    {"IncreaseAboveTheLimit", "2", "0000000700" + std::string("3F420F") + std::string(16, '0'),
     [] { return Increase(1, 0, 2, 2, 0.01, 0); }, 5, "", kNone},
    {"IncreaseByNothingAdvancesTheCounter", "", "ABCDEF0700D204" + std::string(18, '9'),
     [] { return Increase(1, 0, 2, 2, 0.0, 0); }, 1, "ABCDEF0800D204" + std::string(18, '9'),
     kSuccess},
    {"IncreaseIsExactInHundredthsMode", "", "0000000000" + std::string("0000") + std::string(18, '0'),
     [] { return Increase(1, 0, 2, 2, 1.15, 1); }, 1,
     "0000000100" + std::string("7300") + std::string(18, '0'), kSuccess},
    {"IncreaseTruncatesARealFraction", "", "0000000000" + std::string("0000") + std::string(18, '0'),
     [] { return Increase(1, 0, 2, 2, 1.159, 1); }, 1,
     "0000000100" + std::string("7300") + std::string(18, '0'), kSuccess},
    {"IncreaseTwoDecimals", "2", std::string(32, '0'),
     [] { return Increase(1, 1, 2, 2, 1.15, 0); }, 1,
     "0000000100" + std::string("730000") + std::string(16, '0'), kSuccess},
    {"CounterWrapsAtTheTop", "", "000000FFFF0100" + std::string(18, '0'),
     [] { return Increase(1, 0, 2, 2, 0.1, 0); }, 1, "00000000000200" + std::string(18, '0'),
     kSuccess},
    {"DecreaseToZero", "", "0000000000D204" + std::string(18, '0'),
     [] { return Decrease(1, 0, 2, 2, 123.4, 0); }, 1, "00000001000000" + std::string(18, '0'),
     kSuccess},
    {"DecreaseBelowZero", "", "0000000000D204" + std::string(18, '0'),
     [] { return Decrease(1, 0, 2, 2, 123.5, 0); }, 5, "", kNone},
    {"CancelTwoDecimals", "2", "123456" + std::string("0700") + "D20400" + std::string(16, 'E'),
     [] { return Decrease(1, 1, 2, 2, 0.0, 0); }, 1,
     "123456" + std::string(10, '0') + std::string(16, 'E'), kSuccess},
    {"MaxConsumeTenths", "", std::string(32, '0'), [] { return WriteCardMaxConsume(1, 2, 2, 20.0); },
     1, std::string(22, '0') + "C800" + std::string(6, '0'), kSuccess},
    {"MaxConsumeHundredths", "2", std::string(32, '0'),
     [] { return WriteCardMaxConsume(1, 2, 2, 20.0); }, 1, std::string(26, '0') + "D00700", kSuccess},
    {"MaxConsumeRoundsUp", "2", std::string(32, '0'),
     [] { return WriteCardMaxConsume(1, 2, 2, 0.291); }, 1,
     std::string(26, '0') + "1E0000", kSuccess},
    {"ReadMaxConsume", "2", std::string(26, '0') + "1E0000",
     [] { return ReadCardMaxConsume(1, 2, 2); }, 0.3, "", kSuccess},
    {"AddCount", "", std::string(32, '0'), [] { return WriteCardAddCount(1, 2, 2, 258); }, 1,
     "0000000201" + std::string(22, '0'), kSuccess},
    {"ReadAddCountWithoutBeep", "", "0000000201" + std::string(22, '0'),
     [] { return ReadCardAddCount(1, 2, 2); }, 258, "", kNone},
    {"MaxCC", "", std::string(32, '0'), [] { return WriteCardMaxCC(1, 2, 1, 255); }, 1,
     "FF" + std::string(30, '0'), kSuccess, 1},
    {"MaxCCAbove255", "", "07" + std::string(30, '0'), [] { return WriteCardMaxCC(1, 2, 1, 256); },
     5, "", kNone, 1},
    {"ReadMaxCCWithoutBeep", "", "07" + std::string(30, '0'), [] { return ReadCardMaxCC(1, 2, 1); },
     7, "", kNone, 1},
    {"ZerosReadAsZero", "", std::string(32, '0'), [] { return ReadCardMaxConsume(1, 2, 2); }, 0.0,
     "", kSuccess},
    {"PasswordOneDecimal", "", std::string(32, '0'), [] { return WriteCardPass(1, 2, 2, "12345"); },
     1, std::string(26, '0') + "214305", kSuccess},
    {"PasswordTwoDecimalsSendsEighteen", "2", std::string(32, 'A'),
     [] { return WriteCardPass(1, 2, 1, "12345"); }, 1,
     std::string(12, 'A') + "214305" + std::string(14, 'A'), kSuccess, 1},
    {"ReadPassword", "2", std::string(12, 'A') + "214305" + std::string(14, 'A'),
     [] { return ReadCardPass(1, 2, 1, g_out) == 1 && std::strcmp(g_out, "12345") == 0 ? 1 : 0; },
     1, "", kSuccess, 1},
    {"AccountNumberFillsTheBlock", "", std::string(32, 'F'),
     [] { return WriteCardAccountNo(1, 2, 2, "1234567890123456789"); }, 1,
     "1234567890123456789" + std::string(13, '0'), kSuccess},
};

class CardEdge : public Cards, public ::testing::WithParamInterface<EdgeRow> {};

TEST_P(CardEdge, BlockBeforeCallAfterBeepsResult) {
  const EdgeRow& row = GetParam();
  SetDecLen(row.decimals);
  Block(row.block) = row.before;
  EXPECT_DOUBLE_EQ(row.call(), row.result);
  EXPECT_EQ(Block(row.block), row.after.empty() ? row.before : row.after);
  EXPECT_EQ(writer_->beeps(), row.beeps);
  EXPECT_FALSE(line_->IsOpen());
  // Every exchange with the writer ends with the closing frame in data mode.
  auto frames = line_->HostFrames();
  for (std::size_t i = 0; i < frames.size(); i += 2) {
    EXPECT_EQ(frames[i][0], 'N') << frames[i];
    ASSERT_LT(i + 1, frames.size());
    EXPECT_EQ(frames[i + 1], "S SZ!");
  }
}

INSTANTIATE_TEST_SUITE_P(Edges, CardEdge, ::testing::ValuesIn(kEdges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Cards, FramesCarrySectorAndAbsoluteBlock) {
  char out[40];
  std::string text;
  ReadCard(1, 2, 2, out);
  ReadCard(1, 0, 1, out);
  writer_->state().cards[0].keys[15] = "FFFFFFFFFFFF";
  ReadCard(1, 15, 3, out);
  auto frames = line_->HostFrames();
  EXPECT_EQ(frames[0], "N SR0210!");
  EXPECT_EQ(frames[2], "N SZ001!");
  EXPECT_EQ(frames[4], "N SR0001!");
  EXPECT_EQ(frames[8], "N SR1563!");
}

TEST_F(Cards, TwoDecimalPasswordWriteSendsTwentyFiveCharacters) {
  SetDecLen("2");
  ASSERT_EQ(WriteCardPass(1, 2, 1, "12345"), 1);
  ASSERT_EQ(Writes().size(), 1u);
  EXPECT_EQ(Writes()[0], "SW0209" + std::string(12, '0') + "214305!");
  EXPECT_EQ(Writes()[0].size(), 25u);
}

TEST_F(Cards, FailureBeepIsTwoExchangesFiftyMillisecondsApart) {
  BeepAX(1, 1);
  BeepAX(1, 2);
  EXPECT_EQ(writer_->beeps(), kFailure);
  auto frames = line_->HostFrames();
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[0], "N SZ001!");
  EXPECT_EQ(frames[2], "N SZ006!");
  const auto& log = line_->log();
  std::uint64_t first_end = 0, second = 0;
  for (const auto& entry : log) {
    if (entry.direction == '>' && entry.bytes == "SZ!" && !first_end) first_end = entry.micros;
    if (entry.direction == '>' && entry.bytes == "SZ006!") second = entry.micros;
  }
  EXPECT_GE(second - first_end, 50'000u);
  // The beep clears what might still wait in the output queue first.
  EXPECT_EQ(line_->purges()[0], 4u);
}

// Each way a block read can fail, for every operation: the code (or -1),
// the beep, and never a write.
struct ReadFailure {
  const char* name;
  std::function<void(Cards&)> arrange;
  int code;
};

struct OpRow {
  const char* name;
  std::function<double()> call;
  bool reader;         // returns -1 instead of the code
  const Beeps* beeps;  // on a failed read
};

const OpRow kOps[] = {
    {"ReadCard", [] { return ReadCard(1, 2, 2, g_out); }, false, &kFailure},
    {"WriteCard", [] { return WriteCard(1, 2, 2, "1"); }, false, &kSuccess},
    {"WriteCardEx", [] { return WriteCardEx(1, 2, 2, "1", "12345", 1.0); }, false, &kSuccess},
    {"WriteCardPass", [] { return WriteCardPass(1, 2, 2, "12345"); }, false, &kSuccess},
    {"ReadCardPass", [] { return ReadCardPass(1, 2, 2, g_out); }, false, &kFailure},
    {"ReadBalance", [] { return ReadBalance(1, 2, 2, 0); }, true, &kFailure},
    {"Increase", [] { return Increase(1, 0, 2, 2, 1.0, 0); }, false, &kFailure},
    {"Decrease", [] { return Decrease(1, 0, 2, 2, 0.0, 0); }, false, &kFailure},
    {"ReadCardMaxConsume", [] { return ReadCardMaxConsume(1, 2, 2); }, true, &kFailure},
    {"WriteCardMaxConsume", [] { return WriteCardMaxConsume(1, 2, 2, 1.0); }, false, &kSuccess},
    {"ReadCardAddCount", [] { return ReadCardAddCount(1, 2, 2); }, true, &kFailure},
    {"WriteCardAddCount", [] { return WriteCardAddCount(1, 2, 2, 1); }, false, &kFailure},
    {"ReadCardMaxCC", [] { return ReadCardMaxCC(1, 2, 2); }, true, &kFailure},
    {"WriteCardMaxCC", [] { return WriteCardMaxCC(1, 2, 2, 1); }, false, &kFailure},
};

void Fault(Cards& cards, sim::Fault::Kind kind, const char* text) {
  sim::Fault fault;
  fault.kind = kind;
  fault.frame_prefix = "SR";
  fault.text = text;
  cards.writer_->AddFault(fault);
}

const ReadFailure kReadFailures[] = {
    {"NoCard", [](Cards& c) { c.writer_->Present(-1); }, 2},
    {"WrongKey", [](Cards& c) { c.writer_->state().cards[0].keys[2] = "000000000000"; }, 3},
    {"BlockUnreadable", [](Cards& c) { Fault(c, sim::Fault::Kind::kWrongWord, "R3"); }, 4},
    {"Silent", [](Cards& c) { Fault(c, sim::Fault::Kind::kSilence, ""); }, 0},
    {"ShortReplyIsNotCardData", [](Cards& c) { Fault(c, sim::Fault::Kind::kWrongWord, "0123"); }, 4},
};

class ReadFails : public Cards,
                  public ::testing::WithParamInterface<std::tuple<OpRow, ReadFailure>> {};

TEST_P(ReadFails, ReportsBeepsAndWritesNothing) {
  const auto& [op, failure] = GetParam();
  failure.arrange(*this);
  std::strcpy(g_out, "kept");
  double result = op.call();
  bool short_reply = std::string(failure.name) == "ShortReplyIsNotCardData";
  EXPECT_DOUBLE_EQ(result, op.reader ? -1.0 : failure.code);
  // A read that worked but held no card data always sounds the failure beep.
  EXPECT_EQ(writer_->beeps(), short_reply ? kFailure : *op.beeps);
  EXPECT_TRUE(Writes().empty());
  if (std::string(op.name) == "ReadCardPass") {
    EXPECT_STREQ(g_out, "");
  }
  if (std::string(op.name) == "ReadCard") {
    EXPECT_STREQ(g_out, "kept");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadFails, ::testing::Combine(::testing::ValuesIn(kOps), ::testing::ValuesIn(kReadFailures)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
    });

TEST_F(Cards, PortThatCannotBeOpenedGivesMinusOneWithoutAnyFrame) {
  line_->fail_when = [](const sim::PortCall& c) { return c.op == sim::PortOp::kOpen; };
  char out[40];
  EXPECT_EQ(ReadCard(1, 2, 2, out), -1);
  EXPECT_EQ(WriteCard(1, 2, 2, "1"), -1);
  EXPECT_TRUE(line_->HostFrames().empty());
}

TEST_F(Cards, WriterErrorsOnWriteAreCodes) {
  struct {
    const char* reply;
    int code;
  } rows[] = {{"W1", 2}, {"W2", 3}, {"W3", 4}, {"OK", -1}};
  for (const auto& row : rows) {
    writer_->ClearFaults();
    sim::Fault fault;
    fault.kind = sim::Fault::Kind::kWrongWord;
    fault.frame_prefix = "SW";
    fault.text = row.reply;
    writer_->AddFault(fault);
    EXPECT_EQ(WriteCardAddCount(1, 2, 2, 1), row.code) << row.reply;
  }
}

TEST_F(Cards, SwappedCardGetsTheBlockComputedFromTheFirst) {
  Block() = "010060" + kRest;
  writer_->state().cards[1].Block(2, 2) = "020060" + std::string(26, '7');
  ASSERT_EQ(Increase(1, 0, 2, 2, 0.0, 0), 1);
  writer_->Present(1);
  ASSERT_EQ(Increase(1, 0, 2, 2, 0.0, 0), 1);
  EXPECT_EQ(writer_->state().cards[1].Block(2, 2).substr(0, 6), "020060");
}

// Input that cannot make a correct block fails with 5 (or -1 for what the
// commands cannot carry) before anything is sent.
TEST_F(Cards, BadInputNeverReachesTheWriter) {
  struct {
    const char* name;
    std::function<double()> call;
    double result;
  } rows[] = {
      {"card number too large", [] { return WriteCard(1, 2, 2, "1048576"); }, 5},
      {"card number not decimal", [] { return WriteCard(1, 2, 2, "12AB"); }, 5},
      {"card number missing", [] { return WriteCard(1, 2, 2, nullptr); }, 5},
      {"ex card number", [] { return WriteCardEx(1, 2, 2, "-1", "12345", 1.0); }, 5},
      {"ex password short", [] { return WriteCardEx(1, 2, 2, "1", "1234", 1.0); }, 5},
      {"ex limit too large", [] { return WriteCardEx(1, 2, 2, "1", "12345", 6553.6); }, 5},
      {"ex limit negative", [] { return WriteCardEx(1, 2, 2, "1", "12345", -1.0); }, 5},
      {"password letters", [] { return WriteCardPass(1, 2, 2, "12a45"); }, 5},
      {"password long", [] { return WriteCardPass(1, 2, 2, "123456"); }, 5},
      {"negative top-up", [] { return Increase(1, 0, 2, 2, -1.0, 0); }, 5},
      {"negative deduction", [] { return Decrease(1, 0, 2, 2, -1.0, 0); }, 5},
      {"unknown amount mode", [] { return Increase(1, 0, 2, 2, 1.0, 2); }, 5},
      {"not a number", [] { return Increase(1, 0, 2, 2, std::nan(""), 0); }, 5},
      {"limit too large", [] { return WriteCardMaxConsume(1, 2, 2, 6553.6); }, 5},
      {"limit negative", [] { return WriteCardMaxConsume(1, 2, 2, -0.1); }, 5},
      {"count too large", [] { return WriteCardAddCount(1, 2, 2, 65536); }, 5},
      {"count negative", [] { return WriteCardAddCount(1, 2, 2, -1); }, 5},
      {"max cc negative", [] { return WriteCardMaxCC(1, 2, 2, -1); }, 5},
      {"account not hex", [] { return WriteCardAccountNo(1, 2, 2, "12-34"); }, 5},
      {"account too long", [] { return WriteCardAccountNo(1, 2, 2, std::string(22, '1').c_str()); }, -1},
      {"sector above 99", [] { return ReadCard(1, 100, 0, g_out); }, -1},
      {"absolute block above 99", [] { return ReadCard(1, 25, 0, g_out); }, -1},
      {"negative block", [] { return WriteCardAddCount(1, 2, -1, 1); }, -1},
      {"no output buffer", [] { return ReadCard(1, 2, 2, nullptr); }, -1},
      {"no password buffer", [] { return ReadCardPass(1, 2, 2, nullptr); }, -1},
      {"balance mode", [] { return ReadBalance(1, 2, 2, 3); }, -1},
  };
  for (const auto& row : rows) {
    EXPECT_DOUBLE_EQ(row.call(), row.result) << row.name;
    EXPECT_TRUE(line_->HostFrames().empty()) << row.name << " " << (line_->HostFrames().empty() ? "" : line_->HostFrames()[0]);
  }
  EXPECT_TRUE(writer_->beeps().empty());
}

// A block number whose absolute block (sector x 4 + block) cannot be formed
// or lies beyond 99 fails every card export with -1 before any exchange.
TEST_F(Cards, UnformableBlockNumbersFailEveryCardExportSilently) {
  const std::pair<int, int> places[] = {
      {1, INT_MAX}, {INT_MAX, 0}, {99, 0}, {0, 100}, {24, 4}, {1, INT_MIN}, {INT_MIN, INT_MAX}};
  const std::function<double(int, int)> exports[] = {
      [](int s, int b) { return ReadCard(1, s, b, g_out); },
      [](int s, int b) { return WriteCard(1, s, b, "1"); },
      [](int s, int b) { return WriteCardEx(1, s, b, "1", "12345", 1.0); },
      [](int s, int b) { return WriteCardAccountNo(1, s, b, "12"); },
      [](int s, int b) { return WriteCardPass(1, s, b, "12345"); },
      [](int s, int b) { return ReadCardPass(1, s, b, g_out); },
      [](int s, int b) { return ReadBalance(1, s, b, 0); },
      [](int s, int b) { return Increase(1, 0, s, b, 1.0, 0); },
      [](int s, int b) { return Decrease(1, 0, s, b, 0.0, 0); },
      [](int s, int b) { return ReadCardMaxConsume(1, s, b); },
      [](int s, int b) { return WriteCardMaxConsume(1, s, b, 1.0); },
      [](int s, int b) { return ReadCardAddCount(1, s, b); },
      [](int s, int b) { return WriteCardAddCount(1, s, b, 1); },
      [](int s, int b) { return ReadCardMaxCC(1, s, b); },
      [](int s, int b) { return WriteCardMaxCC(1, s, b, 1); },
  };
  for (const auto& [sector, block] : places) {
    for (std::size_t i = 0; i < std::size(exports); ++i) {
      EXPECT_DOUBLE_EQ(exports[i](sector, block), -1.0) << i << " " << sector << "/" << block;
    }
  }
  EXPECT_EQ(line_->HostFrames(), std::vector<std::string>{});
  EXPECT_TRUE(writer_->beeps().empty());
}

// A block above 3 that stays within 99 names a block of a later sector.
TEST_F(Cards, BlockAboveThreeWithinNinetyNineIsSent) {
  ReadCard(1, 2, 5, g_out);
  ReadCard(1, 0, 99, g_out);
  auto frames = line_->HostFrames();
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames[0], "N SR0213!");
  EXPECT_NE(std::find(frames.begin(), frames.end(), "N SR0099!"), frames.end());
}

}  // namespace
}  // namespace icbus::test
