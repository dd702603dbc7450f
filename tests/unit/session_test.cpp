// The port session: opening, line settings per mode, the held-port guard,
// the decimal setting and the byte primitives' time-outs.
#include <gtest/gtest.h>

#include "icbus.h"
#include "line_fixture.h"
#include "link/session.h"

namespace icbus::test {
namespace {

class Session : public LineTest {
 protected:
  LineSettings Settings() {
    LineSettings settings;
    EXPECT_TRUE(line().GetState(1, &settings));
    return settings;
  }
};

TEST_F(Session, OpenConfiguresTheBusAtNoParity) {
  ASSERT_EQ(icDevInit("1"), 1);
  LineSettings s = Settings();
  EXPECT_EQ(s.baud_rate, 19200u);
  EXPECT_EQ(s.byte_size, 8);
  EXPECT_EQ(s.parity, kNoParity);
  EXPECT_EQ(s.stop_bits, kOneStopBit);
  EXPECT_TRUE(s.binary);
  EXPECT_EQ(icDevClose(), 1);
}

TEST_F(Session, ModesSetMarkAndSpaceAndOtherModesChangeNothing) {
  ASSERT_EQ(icDevInit("1"), 1);
  ASSERT_EQ(ChangeicDevSettings(0), 1);
  EXPECT_EQ(Settings().parity, kMarkParity);
  ASSERT_EQ(ChangeicDevSettings(1), 1);
  EXPECT_EQ(Settings().parity, kSpaceParity);
  ASSERT_EQ(ChangeicDevSettings(2), 1);
  EXPECT_EQ(Settings().parity, kSpaceParity);
  icDevClose();
}

// A port that reads its parity back as no defined value once MARK or SPACE
// was set, and refuses to be given such a value, as 32-bit Wine does on a
// pseudo-terminal.
class UnsetParityPort final : public Port {
 public:
  explicit UnsetParityPort(Port& line) : line_(line) {}
  std::vector<std::uint8_t> applied;

  PortId Open(const char* name) override { return line_.Open(name); }
  bool GetState(PortId port, LineSettings* settings) override {
    if (!line_.GetState(port, settings)) return false;
    if (settings->parity != kNoParity) settings->parity = 130;
    return true;
  }
  bool SetState(PortId port, const LineSettings& settings) override {
    applied.push_back(settings.parity);
    return settings.parity <= kSpaceParity && line_.SetState(port, settings);
  }
  bool SetupQueues(PortId port, std::uint32_t in, std::uint32_t out) override {
    return line_.SetupQueues(port, in, out);
  }
  bool GetTimeouts(PortId port, Timeouts* t) override { return line_.GetTimeouts(port, t); }
  bool SetTimeouts(PortId port, const Timeouts& t) override { return line_.SetTimeouts(port, t); }
  bool Purge(PortId port, std::uint32_t flags) override { return line_.Purge(port, flags); }
  bool Write(PortId port, const std::uint8_t* data, std::uint32_t count) override {
    return line_.Write(port, data, count);
  }
  bool Read(PortId port, std::uint8_t* data, std::uint32_t count,
            std::uint32_t* received) override {
    return line_.Read(port, data, count, received);
  }
  bool Close(PortId port) override { return line_.Close(port); }

 private:
  Port& line_;
};

TEST_F(Session, AParityReadBackAsNoDefinedValueIsNeverWrittenBack) {
  UnsetParityPort port(line());
  UsePort(&port);
  ASSERT_EQ(icDevInit("1"), 1);
  EXPECT_EQ(ChangeicDevSettings(2), 1);  // nothing applied yet but the open's no parity
  ASSERT_EQ(ChangeicDevSettings(0), 1);
  EXPECT_EQ(ChangeicDevSettings(2), 1);
  ASSERT_EQ(ChangeicDevSettings(1), 1);
  EXPECT_EQ(ChangeicDevSettings(2), 1);
  EXPECT_EQ(Settings().parity, kSpaceParity);
  EXPECT_EQ(icDevClose(), 1);
  UsePort(&line());
  EXPECT_EQ(port.applied, (std::vector<std::uint8_t>{kNoParity, kNoParity, kMarkParity,
                                                      kMarkParity, kSpaceParity, kSpaceParity}));
}

TEST_F(Session, FieldsTheLibraryDoesNotOwnSurviveAModeSwitch) {
  ASSERT_EQ(icDevInit("1"), 1);
  LineSettings s = Settings();
  s.native[0] = 0x5a;
  ASSERT_TRUE(line().SetState(1, s));
  ASSERT_EQ(ChangeicDevSettings(0), 1);
  EXPECT_EQ(Settings().native[0], 0x5a);
  icDevClose();
}

TEST_F(Session, SecondOpenFailsAndKeepsTheFirst) {
  ASSERT_EQ(icDevInit("1"), 1);
  EXPECT_EQ(icDevInit("1"), 0);
  EXPECT_EQ(icDevInit("2"), 0);
  EXPECT_TRUE(line().IsOpen());
  EXPECT_EQ(ChangeicDevSettings(0), 1);
  EXPECT_EQ(icDevClose(), 1);
  EXPECT_EQ(line().opens(), 1);
}

TEST_F(Session, BadPortTextsOpenNothing) {
  for (const char* text : {"", "0", "00", "x", "1x", " 1", "-1", "1234"}) {
    EXPECT_EQ(icDevInit(text), 0) << text;
  }
  EXPECT_EQ(icDevInit(nullptr), 0);
  EXPECT_EQ(icDevInit("3"), 0);  // no such port
  EXPECT_EQ(line().opens(), 0);
}

TEST_F(Session, PortsAboveNineOpen) {
  line().bus(12);
  ASSERT_EQ(icDevInit("12"), 1);
  EXPECT_EQ(icDevClose(), 1);
}

TEST_F(Session, CloseWithoutAnOpenPortReturnsZero) {
  EXPECT_EQ(icDevInit("3"), 0);
  EXPECT_EQ(icDevClose(), 0);
  EXPECT_EQ(ChangeicDevSettings(0), 0);
}

TEST_F(Session, FailedConfigurationClosesThePort) {
  line().fail_when = [](const sim::PortCall& c) { return c.op == sim::PortOp::kSetState; };
  EXPECT_EQ(icDevInit("1"), 0);
  EXPECT_FALSE(line().IsOpen());
  EXPECT_FALSE(PortHeld());
}

TEST_F(Session, DecimalSettingIsExactlyTwo) {
  struct {
    const char* text;
    bool two;
  } rows[] = {{"2", true}, {"2 ", false}, {"02", false}, {"", false}, {"1", false}, {nullptr, false}};
  for (const auto& row : rows) {
    EXPECT_EQ(SetDecLen(row.text), 1);
    EXPECT_EQ(TwoDecimals(), row.two) << (row.text ? row.text : "(null)");
  }
}

TEST_F(Session, ReadOfFourBytesToThreeEndsByTheIntervalAndRestoresTimeouts) {
  ASSERT_EQ(icDevInit("1"), 1);
  ASSERT_EQ(ChangeicDevSettings(0), 1);
  Timeouts before{7, 8, 9, 10, 11};
  ASSERT_TRUE(line().SetTimeouts(1, before));
  const std::uint8_t frame[] = {'S', 'A', '0', '0', '5', '!'};
  ASSERT_TRUE(WritePort(frame, sizeof frame));
  std::uint8_t reply[4] = {0, 0, 0, 0x77};
  std::uint64_t start = line().NowMicros();
  EXPECT_TRUE(ReadPort(reply, 4));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(reply), 3), "OK!");
  EXPECT_EQ(reply[3], 0x77);
  std::uint64_t waited = line().NowMicros() - start;
  EXPECT_GE(waited, 200'000u);
  EXPECT_LT(waited, 210'000u);
  Timeouts after;
  ASSERT_TRUE(line().GetTimeouts(1, &after));
  EXPECT_EQ(after.read_interval, 7u);
  EXPECT_EQ(after.read_constant, 9u);
  EXPECT_EQ(after.write_constant, 11u);
  icDevClose();
}

TEST_F(Session, WriteDiscardsInputThatArrivedBefore) {
  ASSERT_EQ(icDevInit("1"), 1);
  ASSERT_EQ(ChangeicDevSettings(0), 1);
  const std::uint8_t frame[] = {'S', 'A', '0', '0', '5', '!'};
  ASSERT_TRUE(WritePort(frame, sizeof frame));
  line().SleepMillis(50);  // "OK!" is in the input queue now
  ASSERT_TRUE(WritePort(frame, sizeof frame));
  std::uint8_t reply[8] = {};
  ASSERT_TRUE(ReadPort(reply, 7));
  EXPECT_STREQ(reinterpret_cast<char*>(reply), "OK!");  // one answer, not two
  icDevClose();
}

// A session bound to the thread takes the exports' port and decimal setting;
// the default session is left alone.
TEST_F(Session, ExportsWorkOnTheBoundSession) {
  ::icbus::Session bus;
  {
    SessionScope scope(bus);
    ASSERT_EQ(icDevInit("1"), 1);
    EXPECT_EQ(SetDecLen("2"), 1);
    EXPECT_TRUE(TwoDecimals());
  }
  EXPECT_TRUE(bus.held);
  EXPECT_FALSE(DefaultSession().held);
  EXPECT_FALSE(TwoDecimals());
  EXPECT_EQ(icDevClose(), 0);  // the default session holds nothing
  EXPECT_TRUE(line().IsOpen());
  {
    SessionScope scope(bus);
    EXPECT_EQ(ChangeicDevSettings(0), 1);
    EXPECT_EQ(bus.parity, kMarkParity);
    EXPECT_EQ(icDevClose(), 1);
  }
  EXPECT_FALSE(line().IsOpen());
}

TEST_F(Session, SessionRemembersTheModeItApplied) {
  ::icbus::Session& session = DefaultSession();
  ASSERT_EQ(icDevInit("1"), 1);
  EXPECT_EQ(session.parity, kNoParity);
  ASSERT_EQ(ChangeicDevSettings(1), 1);
  EXPECT_EQ(session.parity, kSpaceParity);
  ASSERT_EQ(ChangeicDevSettings(7), 1);  // rewrites the settings as read
  EXPECT_EQ(session.parity, kSpaceParity);
  line().fail_when = [](const sim::PortCall& c) { return c.op == sim::PortOp::kSetState; };
  EXPECT_EQ(ChangeicDevSettings(0), 0);
  EXPECT_EQ(session.parity, kSpaceParity);
  line().fail_when = nullptr;
  icDevClose();
}

}  // namespace
}  // namespace icbus::test
