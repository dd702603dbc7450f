// The two-phase course and its failure table, driven through GetTime: what
// goes on the wire, the result, the port afterwards and the caller's buffer.
#include <cctype>
#include <cstring>
#include <functional>

#include "icbus.h"
#include "line_fixture.h"

namespace icbus::test {
namespace {

using sim::Fault;
using sim::PortCall;
using sim::PortOp;
using Kind = Fault::Kind;

struct FailureRow {
  const char* name;
  std::function<void(sim::VirtualLine&, sim::Terminal&)> arrange;
  Frames wire;
};

const Frames kSelectedThenReleased = {"M SA005!", "S SZ!"};
const Frames kWholeCourse = {"M SA005!", "S SD!", "S SZ!"};

void FailOp(sim::VirtualLine& line, PortOp op, int index = -1) {
  line.fail_when = [op, index](const PortCall& call) {
    return call.op == op && (index < 0 || call.index == index);
  };
}

void FailParity(sim::VirtualLine& line, std::uint8_t parity, int times) {
  auto left = std::make_shared<int>(times);
  line.fail_when = [parity, left](const PortCall& call) {
    if (call.op != PortOp::kSetState || call.parity != parity || *left == 0) return false;
    --*left;
    return true;
  };
}

void Commit(sim::Terminal& terminal, Kind kind, const char* prefix, const char* text = "") {
  Fault fault;
  fault.kind = kind;
  fault.frame_prefix = prefix;
  fault.text = text;
  fault.delay_ms = 1500;
  terminal.AddFault(fault);
}

const FailureRow kFailures[] = {
    {"port cannot be opened", [](auto& l, auto&) { FailOp(l, PortOp::kOpen); }, {}},
    {"line settings cannot be read", [](auto& l, auto&) { FailOp(l, PortOp::kGetState, 0); }, {}},
    {"queues cannot be set up", [](auto& l, auto&) { FailOp(l, PortOp::kSetupQueues, 0); }, {}},
    {"address mode cannot be set", [](auto& l, auto&) { FailParity(l, kMarkParity, 1); }, {}},
    {"address frame cannot be written",
     [](auto& l, auto&) { FailOp(l, PortOp::kWrite, 0); }, {"S SZ!"}},
    {"address reply cannot be read",
     [](auto& l, auto&) { FailOp(l, PortOp::kRead, 0); }, kSelectedThenReleased},
    {"read time-outs cannot be read",
     [](auto& l, auto&) { FailOp(l, PortOp::kGetTimeouts, 0); }, kSelectedThenReleased},
    {"terminal silent", [](auto&, auto& t) { Commit(t, Kind::kSilence, "SA"); },
     kSelectedThenReleased},
    {"address reply without !", [](auto&, auto& t) { Commit(t, Kind::kNoBang, "SA"); },
     kSelectedThenReleased},
    {"zero byte before !", [](auto&, auto& t) { Commit(t, Kind::kZeroBeforeBang, "SA"); },
     kSelectedThenReleased},
    {"lower-case ok", [](auto&, auto& t) { Commit(t, Kind::kWrongWord, "SA", "ok"); },
     kSelectedThenReleased},
    {"OK with a blank", [](auto&, auto& t) { Commit(t, Kind::kWrongWord, "SA", "OK "); },
     kSelectedThenReleased},
    {"late address reply", [](auto&, auto& t) { Commit(t, Kind::kDelay, "SA"); },
     kSelectedThenReleased},
    {"data mode fails once, the closing switch works",
     [](auto& l, auto&) { FailParity(l, kSpaceParity, 1); }, kSelectedThenReleased},
    {"data mode fails for good: no closing frame",
     [](auto& l, auto&) { FailParity(l, kSpaceParity, 2); }, {"M SA005!"}},
    {"command frame cannot be written",
     [](auto& l, auto&) { FailOp(l, PortOp::kWrite, 1); }, kSelectedThenReleased},
    {"command reply cannot be read",
     [](auto& l, auto&) { FailOp(l, PortOp::kRead, 1); }, kWholeCourse},
    {"command reply silent", [](auto&, auto& t) { Commit(t, Kind::kSilence, "SD"); },
     kWholeCourse},
    {"command reply without !", [](auto&, auto& t) { Commit(t, Kind::kNoBang, "SD"); },
     kWholeCourse},
    {"zero byte before ! in the command reply",
     [](auto&, auto& t) { Commit(t, Kind::kZeroBeforeBang, "SD"); }, kWholeCourse},
};

class TwoPhaseFailure : public LineTest, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(TwoPhaseFailure, FailsReleasesTheTerminalAndLeavesTheBufferAlone) {
  GetParam().arrange(line(), terminal());
  char out[32];
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(GetTime(1, 5, out), 0);
  EXPECT_EQ(frames(), GetParam().wire);
  EXPECT_FALSE(line().IsOpen());
  for (char c : out) ASSERT_EQ(c, 'x');
  // The library holds nothing afterwards: the next call can open the port
  // (once an answer still on its way has arrived and been lost).
  line().SleepMillis(2000);
  line().fail_when = nullptr;
  terminal().ClearFaults();
  EXPECT_EQ(GetTime(1, 5, out), 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, TwoPhaseFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) {
                           std::string name;
                           for (const char* p = info.param.name; *p; ++p)
                             name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           return name;
                         });

class TwoPhase : public LineTest {};

TEST_F(TwoPhase, SuccessRunsTheWholeCourse) {
  char out[15];
  ASSERT_EQ(GetTime(1, 5, out), 1);
  EXPECT_STREQ(out, "20260102030405");
  EXPECT_EQ(frames(), kWholeCourse);
  ASSERT_EQ(line().reads().size(), 2u);
  EXPECT_EQ(line().reads()[0].count, 4u);
  EXPECT_EQ(line().reads()[1].count, 15u);
  for (const auto& read : line().reads()) {
    EXPECT_EQ(read.timeouts.read_interval, 200u);
    EXPECT_EQ(read.timeouts.read_multiplier, 200u);
    EXPECT_EQ(read.timeouts.read_constant, 200u);
  }
  EXPECT_FALSE(line().IsOpen());
  EXPECT_EQ(line().opens(), 1);
  EXPECT_EQ(line().closes(), 1);
}

TEST_F(TwoPhase, EveryWriteAndTheCloseArePrecededByAPurgeThatKeepsTheOutputQueue) {
  char out[15];
  ASSERT_EQ(GetTime(1, 5, out), 1);
  ASSERT_EQ(line().purges().size(), 4u);  // three writes and the close
  for (auto flags : line().purges()) EXPECT_EQ(flags, 11u);
}

TEST_F(TwoPhase, SilentTerminalCostsTheFourByteReadTimeOut) {
  Commit(terminal(), Kind::kSilence, "SA");
  char out[15];
  EXPECT_EQ(GetTime(1, 5, out), 0);
  EXPECT_GE(ElapsedMillis(), 1000u);
  EXPECT_LT(ElapsedMillis(), 1100u);
}

TEST_F(TwoPhase, ClockOfFifteenCharactersFailsAndLeavesTheBuffer) {
  terminal().state().clock = "202601020304051";
  char out[20] = "untouched";
  EXPECT_EQ(GetTime(1, 5, out), 0);
  EXPECT_STREQ(out, "untouched");
  EXPECT_EQ(frames(), kWholeCourse);
}

TEST_F(TwoPhase, BareBangIsAnEmptyClock) {
  terminal().state().clock = "";
  char out[15] = "untouched";
  EXPECT_EQ(GetTime(1, 5, out), 1);
  EXPECT_STREQ(out, "");
}

struct RejectRow {
  int port, machine, card;
};

class Rejected : public LineTest, public ::testing::WithParamInterface<RejectRow> {};

TEST_P(Rejected, BeforeAnythingIsOpenedOrSent) {
  const RejectRow row = GetParam();
  char out[15] = "untouched";
  EXPECT_EQ(GetTimeA(row.port, row.machine, out, row.card), 0);
  EXPECT_EQ(SetTimeA(row.port, row.machine, row.card), 0);
  EXPECT_EQ(ClearA(row.port, row.machine, row.card), 0);
  EXPECT_EQ(line().opens(), 0);
  EXPECT_TRUE(frames().empty());
  EXPECT_STREQ(out, "untouched");
}

INSTANTIATE_TEST_SUITE_P(OutOfRange, Rejected,
                         ::testing::Values(RejectRow{1, 1000, 123456}, RejectRow{1, -1, 123456},
                                           RejectRow{1, 5, 1000000}, RejectRow{1, 5, -1},
                                           RejectRow{0, 5, 123456}, RejectRow{-3, 5, 123456}));

TEST_F(TwoPhase, NullOutputBufferFailsWithoutTouchingTheLine) {
  EXPECT_EQ(GetTime(1, 5, nullptr), 0);
  EXPECT_EQ(line().opens(), 0);
}

TEST_F(TwoPhase, WrongMachineIsReleasedToo) {
  char out[15];
  EXPECT_EQ(GetTime(1, 6, out), 0);
  EXPECT_EQ(frames(), (Frames{"M SA006!", "S SZ!"}));
}

}  // namespace
}  // namespace icbus::test
