// What the administration commands do to a terminal, what they refuse to
// send, and the broadcast collision.
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "icbus.h"
#include "line_fixture.h"
#include "sim/card_writer.h"
#include "terminal/schedules.h"

namespace icbus::test {
namespace {

class AdminEffects : public LineTest {};

TEST_F(AdminEffects, CardListsChangeTheTerminalsLists) {
  ASSERT_EQ(SetOpenCard(1, 5, "000001"), 1);
  ASSERT_EQ(SetOpenCard(1, 5, "000002"), 1);
  EXPECT_EQ(QueryCard(1, 5, "000002"), 1);
  ASSERT_EQ(DelOpenCard(1, 5, "000002"), 1);
  EXPECT_EQ(QueryCard(1, 5, "000002"), 0);
  ASSERT_EQ(ClearOpenCard(1, 5), 1);
  EXPECT_TRUE(terminal().state().cards.empty());
  ASSERT_EQ(SetOpenCardEx(1, 5, "000003"), 1);
  EXPECT_EQ(terminal().state().cards_ex.count("000003"), 1u);
  ASSERT_EQ(ClearOpenCardEx(1, 5), 1);
  EXPECT_TRUE(terminal().state().cards_ex.empty());
}

TEST_F(AdminEffects, QueryAndSecondListRemovalShareTheFrame) {
  EXPECT_EQ(DelOpenCardEx(1, 5, "123456"), 0);  // a querying terminal answers "0"
  terminal().state().answers_query = false;
  EXPECT_EQ(QueryCard(1, 5, "123456"), 0);  // "DONE" is not "1"
  EXPECT_EQ(frames()[1], "S SQ123456!");
  EXPECT_EQ(frames()[4], "S SQ123456!");
}

TEST_F(AdminEffects, QueryOfASilentTerminalIsAFailureNotANo) {
  sim::Fault silence;
  silence.frame_prefix = "SA";
  terminal().AddFault(silence);
  EXPECT_EQ(QueryCard(1, 5, "123456"), -1);
  EXPECT_EQ(GetMachStyle(1, 5), -1);
  EXPECT_EQ(GetState(1, 6), -1);
}

TEST_F(AdminEffects, IdentityCommandsChangeTheTerminal) {
  ASSERT_EQ(SetMasterCardA(1, 5, "000777", 123456), 1);
  EXPECT_EQ(terminal().state().management_card, 777);
  ASSERT_EQ(SetMachStyle(1, 5, 1), 1);
  EXPECT_EQ(GetMachStyle(1, 5), 1);
  ASSERT_EQ(SetPause(1, 5, 1), 1);
  EXPECT_EQ(GetState(1, 5), 0);
  ASSERT_EQ(SetPause(1, 5, 0), 1);
  EXPECT_EQ(GetState(1, 5), 1);
  ASSERT_EQ(SetMachRead(1, 5), 1);
  EXPECT_TRUE(terminal().state().reader_mode);
  ASSERT_EQ(SetMachNo(1, "007K"), 1);
  EXPECT_EQ(terminal().state().machine, 7);
  EXPECT_EQ(terminal().state().machine_type, 'K');
}

TEST_F(AdminEffects, OldPasswordMustMatchToBeCancelled) {
  EXPECT_EQ(Log_onPass(1, "000000000000"), 0);
  EXPECT_EQ(Log_onPass(1, "FFFFFFFFFFFF"), 1);
  ASSERT_EQ(SetPass(1, "0123456789AB"), 1);
  EXPECT_EQ(terminal().state().ic_password, "0123456789AB");
}

TEST_F(AdminEffects, WriterKeepsTheKeyAndIsSpokenToAtNoParity) {
  auto& writer = line().bus(1).Add(std::make_unique<sim::CardWriter>(sim::CardWriterConfig{}));
  ASSERT_EQ(SetPassA(1, "A1B2C3D4E5F6"), 1);
  EXPECT_EQ(writer.state().key, "A1B2C3D4E5F6");
}

TEST_F(AdminEffects, BroadcastToTwoTerminalsCollides) {
  sim::TerminalConfig other;
  other.machine = 9;
  line().bus(1).Add(std::make_unique<sim::Terminal>(other));
  EXPECT_EQ(SetMachNo(1, "001K"), 0);
  EXPECT_EQ(frames(), (Frames{"M SV001K!"}));
}

TEST_F(AdminEffects, SettingsArriveAsSent) {
  ASSERT_EQ(SetMealTimes(1, 5, 999), 1);
  ASSERT_EQ(SetKeyboard(1, 5, 3, 0.29), 1);
  ASSERT_EQ(SetClassMenuName(1, 5, "A", "", "ThirteenBytes"), 1);
  ASSERT_EQ(SetScreenDisplayText(1, 5, "A12345678901234567890"), 1);
  const auto& sh = terminal().state().settings.at("SH");
  EXPECT_EQ(terminal().state().settings.at("SU")[0], "999");
  EXPECT_EQ(sh[0], "3002");
  EXPECT_EQ(sh[1], "AAThirteenBytes ");
  EXPECT_EQ(sh[2], "A1234567890123456");
}

TEST(Amounts, ConvertByTruncation) {
  struct {
    double yuan;
    int scale, units;
  } rows[] = {{12.5, 10, 125}, {0.29, 10, 2}, {12.50, 100, 1250}, {1.15, 100, 115},
              {99.99, 100, 9999}, {0.0, 10, 0}};
  for (const auto& row : rows) {
    int units = -1;
    ASSERT_TRUE(terminal::AmountUnits(row.yuan, row.scale, &units)) << row.yuan;
    EXPECT_EQ(units, row.units) << row.yuan;
  }
  int units = 0;
  EXPECT_FALSE(terminal::AmountUnits(-0.1, 10, &units));
  EXPECT_FALSE(terminal::AmountUnits(1e300, 10, &units));
  EXPECT_FALSE(terminal::AmountUnits(std::nan(""), 10, &units));
}

// The longest texts and widest numbers that fit still go out (the refused
// ones are walked with every other export's refusals).
TEST_F(AdminEffects, TheWidestArgumentsThatFitGoOut) {
  const std::string card21(21, '1');
  EXPECT_EQ(SetOpenCard(1, 5, card21.c_str()), 1);
  EXPECT_EQ(SetClassMenuName(1, 5, "F", "1", std::string(18, 'n').c_str()), 1);
  EXPECT_EQ(SetWaterParam(1, 5, 999, 99, 99), 1);
  EXPECT_EQ(SetIntervalTime(1, 5, 999), 1);
  EXPECT_EQ(frames()[1].size(), 2u + 24u);
  EXPECT_EQ(frames()[4].size(), 2u + 24u);
  EXPECT_EQ(frames()[7], "S SU999989019999!");
  EXPECT_EQ(frames()[10], "S SU999!");
}

TEST_F(AdminEffects, VersionDoesNoSerialIo) {
  EXPECT_EQ(GetDllVersion(), 1);
  EXPECT_EQ(line().opens(), 0);
}

}  // namespace
}  // namespace icbus::test
