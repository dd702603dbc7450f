// Why a call failed: every code of icbus_last_error reached through a real
// cause on the virtual line, with its message and what went on the wire.
#include <cctype>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "icbus.h"
#include "line_fixture.h"
#include "sim/card_writer.h"
#include "topup/glyphs.h"

namespace icbus::test {
namespace {

using sim::Fault;
using sim::PortCall;
using sim::PortOp;
using Kind = Fault::Kind;

struct Reason {
  int code;
  std::string message;
};

Reason Last() { return Reason{icbus_last_error(), icbus_last_error_message()}; }

void FailOp(sim::VirtualLine& line, PortOp op, int index) {
  line.fail_when = [op, index](const PortCall& call) {
    return call.op == op && call.index == index;
  };
}

void FailParity(sim::VirtualLine& line, std::uint8_t parity) {
  line.fail_when = [parity](const PortCall& call) {
    return call.op == PortOp::kSetState && call.parity == parity;
  };
}

void Commit(sim::Terminal& terminal, Kind kind, const char* prefix, const char* text = "") {
  Fault fault;
  fault.kind = kind;
  fault.frame_prefix = prefix;
  fault.text = text;
  terminal.AddFault(fault);
}

int CallGetTime(int port, int machine) {
  char out[32];
  return GetTime(port, machine, out);
}

struct CauseRow {
  const char* name;
  std::function<void(sim::VirtualLine&, sim::Terminal&)> arrange;
  std::function<int()> call;
  int code;
  const char* message;
  Frames wire;
};

const auto kNothing = [](sim::VirtualLine&, sim::Terminal&) {};
const auto kGetTime = [] { return CallGetTime(1, 5); };
const Frames kSelected = {"M SA005!", "S SZ!"};
const Frames kWhole = {"M SA005!", "S SD!", "S SZ!"};

const CauseRow kCauses[] = {
    {"machine number out of range",
     kNothing,
     [] { return CallGetTime(1, 1000); },
     ICBUS_ERR_BAD_ARGUMENT,
     "machine number 1000 is not 0 to 999; nothing was sent",
     {}},
    {"port number zero",
     kNothing,
     [] { return CallGetTime(0, 5); },
     ICBUS_ERR_BAD_ARGUMENT,
     "port number 0 is not 1 or above; nothing was sent",
     {}},
    {"port text not a number",
     kNothing,
     [] { return static_cast<int>(icDevInit("1a")); },
     ICBUS_ERR_BAD_ARGUMENT,
     "\"1a\" is not a port number (1 to 999); nothing was sent",
     {}},
    {"card number with a bang",
     kNothing,
     [] { return SetOpenCard(1, 5, "12!4"); },
     ICBUS_ERR_BAD_ARGUMENT,
     "nothing was sent",
     {}},
    {"no bus behind the port",
     kNothing,
     [] { return CallGetTime(2, 5); },
     ICBUS_ERR_PORT_OPEN,
     "cannot open COM2 (port 2): no bus on this port of the virtual line",
     {}},
    {"open refused",
     [](auto& l, auto&) { FailOp(l, PortOp::kOpen, 0); },
     kGetTime,
     ICBUS_ERR_PORT_OPEN,
     "cannot open COM1 (port 1): the virtual line refused the open",
     {}},
    {"line settings refused",
     [](auto& l, auto&) { FailOp(l, PortOp::kSetState, 0); },
     kGetTime,
     ICBUS_ERR_LINE_SETTINGS,
     "port 1 (COM1) refused the line settings (19200 baud, 8 data bits, no parity)",
     {}},
    {"address mode refused",
     [](auto& l, auto&) { FailParity(l, kMarkParity); },
     kGetTime,
     ICBUS_ERR_LINE_SETTINGS,
     "port 1 (COM1) refused the line settings for address mode (mark parity)",
     {}},
    {"data mode refused",
     [](auto& l, auto&) { FailParity(l, kSpaceParity); },
     kGetTime,
     ICBUS_ERR_LINE_SETTINGS,
     "port 1 (COM1) refused the line settings for data mode (space parity)",
     {"M SA005!"}},
    {"address frame not written",
     [](auto& l, auto&) { FailOp(l, PortOp::kWrite, 0); },
     kGetTime,
     ICBUS_ERR_TRANSFER,
     "writing to port 1 (COM1) failed",
     {"S SZ!"}},
    {"address reply not read", [](auto& l, auto&) { FailOp(l, PortOp::kRead, 0); }, kGetTime,
     ICBUS_ERR_TRANSFER, "reading from port 1 (COM1) failed", kSelected},
    {"terminal silent", [](auto&, auto& t) { Commit(t, Kind::kSilence, "SA"); }, kGetTime,
     ICBUS_ERR_SILENT, "terminal 5 on port 1 (COM1) did not answer (no reply in 1 s)", kSelected},
    {"no terminal of that number",
     kNothing,
     [] { return CallGetTime(1, 7); },
     ICBUS_ERR_SILENT,
     "terminal 7 on port 1 (COM1) did not answer (no reply in 1 s)",
     {"M SA007!", "S SZ!"}},
    {"six-digit address silent",
     kNothing,
     [] {
       char out[32];
       return GetTimeA(1, 5, out, 654321);
     },
     ICBUS_ERR_SILENT,
     "terminal 5 (card 654321) on port 1 (COM1) did not answer (no reply in 1 s)",
     {"M SA005654321!", "S SZ!"}},
    {"address reply without bang", [](auto&, auto& t) { Commit(t, Kind::kNoBang, "SA"); }, kGetTime,
     ICBUS_ERR_NO_BANG, "terminal 5 on port 1 (COM1) answered \"OK\" without the closing \"!\"",
     kSelected},
    {"zero byte before the bang", [](auto&, auto& t) { Commit(t, Kind::kZeroBeforeBang, "SA"); },
     kGetTime, ICBUS_ERR_NO_BANG,
     "terminal 5 on port 1 (COM1) answered \"OK\\x00!\" without the closing \"!\"", kSelected},
    {"address answered in lower case",
     [](auto&, auto& t) { Commit(t, Kind::kWrongWord, "SA", "ok"); }, kGetTime,
     ICBUS_ERR_UNEXPECTED_REPLY,
     "terminal 5 on port 1 (COM1) answered its address with \"ok!\" instead of \"OK!\"", kSelected},
    {"command reply silent", [](auto&, auto& t) { Commit(t, Kind::kSilence, "SD"); }, kGetTime,
     ICBUS_ERR_SILENT, "terminal 5 on port 1 (COM1) did not answer \"SD!\" (no reply in 3.2 s)",
     kWhole},
    {"command reply without bang", [](auto&, auto& t) { Commit(t, Kind::kNoBang, "SD"); }, kGetTime,
     ICBUS_ERR_NO_BANG,
     "terminal 5 on port 1 (COM1) answered \"20260102030405\" to \"SD!\" without the closing "
     "\"!\"",
     kWhole},
    {"wrong word for DONE",
     [](auto&, auto& t) { Commit(t, Kind::kWrongWord, "SP", "NO"); },
     [] { return ClearOpenCard(1, 5); },
     ICBUS_ERR_UNEXPECTED_REPLY,
     "terminal 5 on port 1 (COM1) answered \"NO!\" to \"SP!\" instead of \"DONE!\"",
     {"M SA005!", "S SP!", "S SZ!"}},
    {"count that is no number",
     [](auto&, auto& t) { Commit(t, Kind::kWrongWord, "SK", "12x"); },
     [] { return GetRecordCount(1, 5); },
     ICBUS_ERR_UNEXPECTED_REPLY,
     "terminal 5 on port 1 (COM1) answered \"12x!\" where a record count was expected",
     {"M SA005!", "S SK!", "S SZ!"}},
    {"record without a download",
     kNothing,
     [] {
       char out[64];
       return GetNext(5, out);
     },
     ICBUS_ERR_NOT_OPEN,
     "no port is open",
     {}},
    {"data mode without a port",
     kNothing,
     [] { return static_cast<int>(ChangeicDevSettings(1)); },
     ICBUS_ERR_NOT_OPEN,
     "no port is open",
     {}},
};

std::string RowName(const char* text) {
  std::string name;
  for (const char* p = text; *p; ++p)
    name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return name;
}

class FailureCause : public LineTest, public ::testing::WithParamInterface<CauseRow> {};

TEST_P(FailureCause, TellsItsCodeAndWhy) {
  const CauseRow& row = GetParam();
  row.arrange(line(), terminal());
  EXPECT_LE(row.call(), 0);
  Reason reason = Last();
  EXPECT_EQ(reason.code, row.code);
  EXPECT_NE(reason.message.find(row.message), std::string::npos) << reason.message;
  EXPECT_EQ(frames(), row.wire);
  // The next call that succeeds clears it.
  line().fail_when = nullptr;
  terminal().ClearFaults();
  EXPECT_EQ(CallGetTime(1, 5), 1);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_NONE);
  EXPECT_STREQ(icbus_last_error_message(), "");
}

INSTANTIATE_TEST_SUITE_P(Rows, FailureCause, ::testing::ValuesIn(kCauses),
                         [](const auto& info) { return RowName(info.param.name); });

class LastError : public LineTest {};

TEST_F(LastError, APortHeldByADownloadIsNamedAndLeftAlone) {
  ASSERT_EQ(GetFirst(1, 5), 1);
  EXPECT_EQ(CallGetTime(1, 5), 0);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_PORT_HELD);
  EXPECT_STREQ(icbus_last_error_message(),
               "port 1 (COM1) is held by a record download or the swipe monitor of this program");
  EXPECT_EQ(frames(), (Frames{"M SA005!"}));
  EXPECT_TRUE(line().IsOpen());
  EXPECT_EQ(icbus_end_download(), 1);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_NONE);
}

TEST_F(LastError, AFailedClosingFrameDoesNotTurnASuccessIntoAFailure) {
  FailOp(line(), PortOp::kWrite, 2);  // the "SZ!"
  EXPECT_EQ(CallGetTime(1, 5), 1);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_NONE);
  EXPECT_EQ(frames(), (Frames{"M SA005!", "S SD!"}));
}

TEST_F(LastError, TheFirstFailureOfACallIsKeptOverItsWrapUp) {
  Commit(terminal(), Kind::kSilence, "SD");
  FailOp(line(), PortOp::kWrite, 2);  // the "SZ!" after the silence fails as well
  EXPECT_EQ(CallGetTime(1, 5), 0);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_SILENT);
}

TEST_F(LastError, ReadingTheReasonDoesNotClearIt) {
  EXPECT_EQ(CallGetTime(1, 1000), 0);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_BAD_ARGUMENT);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_BAD_ARGUMENT);
  std::string first = icbus_last_error_message();
  EXPECT_EQ(first, icbus_last_error_message());
}

TEST_F(LastError, EachThreadSeesItsOwnLastCall) {
  Commit(terminal(), Kind::kSilence, "SA");
  EXPECT_EQ(CallGetTime(1, 5), 0);  // this thread: the terminal was silent
  int other_code = -1;
  std::string other_message = "unset";
  std::thread other([&] {
    other_code = icbus_last_error();  // nothing called on that thread yet
    EXPECT_EQ(CallGetTime(1, 1000), 0);
    other_message = icbus_last_error_message();
  });
  other.join();
  EXPECT_EQ(other_code, ICBUS_ERR_NONE);
  EXPECT_NE(other_message.find("machine number 1000"), std::string::npos);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_SILENT);

  std::thread succeeding([&] {
    terminal().ClearFaults();
    EXPECT_EQ(CallGetTime(1, 5), 1);
  });
  succeeding.join();
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_SILENT);
}

TEST_F(LastError, BusSessionsRecordOnTheirCallersThread) {
  icbus_session* session = icbus_session_new();
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(icbus_session_set_device(session, nullptr), 1);
  icbus_session_enter(session);
  EXPECT_EQ(CallGetTime(1, 7), 0);
  icbus_session_leave(session);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_SILENT);
  EXPECT_EQ(icbus_session_set_device(nullptr, "/dev/null"), 0);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_BAD_ARGUMENT);
  icbus_session_free(session);
}

class CardReason : public ::testing::Test {
 protected:
  CardReason() {
    writer_ = &AddCardWriter(*line_, 1);
  }
  Frames frames() const { return line_->HostFrames(); }

  sim::ScopedVirtualLine line_;
  sim::CardWriter* writer_;
};

struct CardRow {
  const char* name;
  std::function<void(sim::CardWriter&)> arrange;
  std::function<int()> call;
  int result;
  int code;
  const char* message;
  Frames wire;
};

// Every card-writer exchange ends with the closing frame.
const Frames kReadThenFailureBeep = {"N SR0210!", "S SZ!",    "N SZ001!",
                                     "S SZ!",     "N SZ006!", "S SZ!"};

const CardRow kCardRows[] = {
    {"no card on the writer", [](sim::CardWriter& w) { w.Present(-1); },
     [] {
       char out[40];
       return ReadCard(1, 2, 2, out);
     },
     2, ICBUS_ERR_CARD_NO_SINGLE,
     "the card writer on port 1 (COM1) answered \"R1!\": no single card in the field",
     kReadThenFailureBeep},
    {"sector key does not match", [](sim::CardWriter& w) { w.card()->keys[2] = "A0A1A2A3A4A5"; },
     [] { return WriteCardAddCount(1, 2, 2, 3); }, 3, ICBUS_ERR_CARD_KEY,
     "the card writer on port 1 (COM1) answered \"R2!\": the sector key does not match the card",
     kReadThenFailureBeep},
    {"sector beyond the card",
     [](sim::CardWriter&) {},
     [] {
       char out[40];
       return ReadCard(1, 20, 1, out);
     },
     4,
     ICBUS_ERR_CARD_BLOCK,
     "the card writer on port 1 (COM1) answered \"R3!\": the block could not be read or "
     "written",
     {"N SR2081!", "S SZ!", "N SZ001!", "S SZ!", "N SZ006!", "S SZ!"}},
    {"block that holds no card data",
     [](sim::CardWriter& w) { w.card()->Block(2, 2) = "0000000000000000000000000000000G"; },
     [] { return WriteCardAddCount(1, 2, 2, 3); }, 4, ICBUS_ERR_CARD_BLOCK,
     "sector 2 block 2 of the card on port 1 (COM1) holds no card data", kReadThenFailureBeep},
    {"balance below zero",
     [](sim::CardWriter&) {},
     [] { return Decrease(1, 0, 2, 2, 5.0, 0); },
     5,
     ICBUS_ERR_CARD_VALUE,
     "the new value does not fit sector 2 block 2 of the card on port 1 (COM1); nothing was "
     "written",
     {"N SR0210!", "S SZ!"}},
    {"negative amount",
     [](sim::CardWriter&) {},
     [] { return Increase(1, 0, 2, 2, -1.0, 0); },
     5,
     ICBUS_ERR_CARD_VALUE,
     "nothing was sent",
     {}},
    {"block the writer cannot name",
     [](sim::CardWriter&) {},
     [] {
       char out[40];
       return ReadCard(1, 2, 2147483647, out);
     },
     -1,
     ICBUS_ERR_BAD_ARGUMENT,
     "sector 2 block 2147483647 is not a block the card writer can name",
     {}},
    {"writer silent",
     [](sim::CardWriter& w) {
       Fault fault;
       fault.kind = Kind::kSilence;
       fault.frame_prefix = "SR";
       w.AddFault(fault);
     },
     [] {
       char out[40];
       return ReadCard(1, 2, 2, out);
     },
     0, ICBUS_ERR_SILENT,
     "the card writer on port 1 (COM1) did not answer \"SR0210!\" (no reply in 6.8 s)",
     kReadThenFailureBeep},
};

class CardCause : public CardReason, public ::testing::WithParamInterface<CardRow> {};

TEST_P(CardCause, TellsTheWritersCode) {
  const CardRow& row = GetParam();
  row.arrange(*writer_);
  EXPECT_EQ(row.call(), row.result);
  Reason reason = Last();
  EXPECT_EQ(reason.code, row.code);
  EXPECT_NE(reason.message.find(row.message), std::string::npos) << reason.message;
  EXPECT_EQ(frames(), row.wire);
}

INSTANTIATE_TEST_SUITE_P(Rows, CardCause, ::testing::ValuesIn(kCardRows),
                         [](const auto& info) { return RowName(info.param.name); });

TEST_F(CardReason, AFailingBeepAfterASuccessfulWriteLeavesNoReason) {
  Fault fault;
  fault.kind = Kind::kSilence;
  fault.frame_prefix = "SZ";
  writer_->AddFault(fault);
  EXPECT_EQ(WriteCardAddCount(1, 2, 2, 3), 1);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_NONE);
}

class NoGlyphs : public topup::Rasteriser {
 public:
  bool Draw(const char*, topup::GlyphCell* cell) override {
    cell->fill(0);
    return false;
  }
};

TEST(TopUpReason, ANameNoFontDrawsIsNamed) {
  sim::ScopedVirtualLine line;
  NoGlyphs none;
  topup::UseRasteriser(&none);
  EXPECT_EQ(TransmitATM(1, 3, 1, 1, 12.3, "\xcd\xf5", 4321), 0);
  topup::UseRasteriser(nullptr);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_NAME_UNDRAWABLE);
  EXPECT_NE(std::string(icbus_last_error_message()).find("\"\\xCD\\xF5\" cannot be drawn"),
            std::string::npos)
      << icbus_last_error_message();
  EXPECT_TRUE(line->HostFrames().empty());
}

}  // namespace
}  // namespace icbus::test
