// The clock and clearing commands: one row per export, with the frames, the
// read lengths, the reply test and what the terminal holds afterwards.
#include <cstring>
#include <functional>

#include "icbus.h"
#include "line_fixture.h"

namespace icbus::test {
namespace {

struct CommandRow {
  const char* name;
  std::function<int()> call;
  Frames wire;
  std::uint32_t reply_read;
  const char* data_prefix;  // the frame a refusal is injected into
};

const LocalTime kNow{2005, 3, 1, 9, 5, 7};
char g_out[32];

const CommandRow kRows[] = {
    {"GetTime", [] { return GetTime(1, 5, g_out); }, {"M SA005!", "S SD!", "S SZ!"}, 15, "SD"},
    {"GetTimeA", [] { return GetTimeA(1, 5, g_out, 123456); },
     {"M SA005123456!", "S SD!", "S SZ!"}, 15, "SD"},
    {"SetTime", [] { return SetTime(1, 5); }, {"M SA005!", "S SE20050301090507!", "S SZ!"}, 5,
     "SE"},
    {"SetTimeA", [] { return SetTimeA(1, 5, 123456); },
     {"M SA005123456!", "S SE20050301090507!", "S SZ!"}, 5, "SE"},
    {"Clear", [] { return Clear(1, 5); }, {"M SA005!", "S SJ!", "S SZ!"}, 5, "SJ"},
    {"ClearA", [] { return ClearA(1, 5, 123456); }, {"M SA005123456!", "S SJ!", "S SZ!"}, 5,
     "SJ"},
};

class ClockCommand : public LineTest, public ::testing::WithParamInterface<CommandRow> {
 protected:
  void SetUp() override {
    line().SetLocalTime(kNow);
    std::memset(g_out, 'x', sizeof g_out);
  }
};

TEST_P(ClockCommand, Succeeds) {
  EXPECT_EQ(GetParam().call(), 1);
  EXPECT_EQ(frames(), GetParam().wire);
  ASSERT_EQ(line().reads().size(), 2u);
  EXPECT_EQ(line().reads()[0].count, 4u);
  EXPECT_EQ(line().reads()[1].count, GetParam().reply_read);
  EXPECT_FALSE(line().IsOpen());
}

TEST_P(ClockCommand, RefusalFailsAndReleases) {
  sim::Fault refusal;
  refusal.kind = sim::Fault::Kind::kWrongWord;
  refusal.frame_prefix = GetParam().data_prefix;
  refusal.text = "ERR";
  terminal().AddFault(refusal);
  bool reads_clock = std::string(GetParam().data_prefix) == "SD";
  // Any clock text is accepted, so a refusal only fails the setting commands.
  EXPECT_EQ(GetParam().call(), reads_clock ? 1 : 0);
  EXPECT_EQ(frames(), GetParam().wire);
}

TEST_P(ClockCommand, SilenceFailsAndReleases) {
  sim::Fault silence;
  silence.frame_prefix = GetParam().data_prefix;
  terminal().AddFault(silence);
  EXPECT_EQ(GetParam().call(), 0);
  EXPECT_EQ(frames(), GetParam().wire);
  EXPECT_EQ(g_out[0], 'x');
}

TEST_P(ClockCommand, EmptyReplyFailsSettingCommands) {
  sim::Fault empty;
  empty.kind = sim::Fault::Kind::kWrongWord;
  empty.frame_prefix = GetParam().data_prefix;
  terminal().AddFault(empty);
  bool reads_clock = std::string(GetParam().data_prefix) == "SD";
  EXPECT_EQ(GetParam().call(), reads_clock ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Exports, ClockCommand, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

class ClockEffects : public LineTest {};

TEST_F(ClockEffects, SetTimeSendsTheTimeOfSendingNotOfTheCall) {
  line().SetLocalTime(LocalTime{2004, 7, 30, 14, 29, 59});
  // A slow "OK" keeps the address phase busy past the turn of the minute.
  sim::Fault slow;
  slow.kind = sim::Fault::Kind::kDelay;
  slow.frame_prefix = "SA";
  slow.delay_ms = 900;
  terminal().AddFault(slow);
  ASSERT_EQ(SetTime(1, 5), 1);
  EXPECT_EQ(frames()[1], "S SE20040730143000!");
  EXPECT_EQ(terminal().state().clock, "20040730143000");
}

TEST_F(ClockEffects, ClearEmptiesTheRecords) {
  ASSERT_EQ(Clear(1, 5), 1);
  EXPECT_TRUE(terminal().state().records.empty());
}

TEST_F(ClockEffects, SixDigitFormPadsTheManagementCard) {
  terminal().state().management_card = 42;
  EXPECT_EQ(ClearA(1, 5, 42), 1);
  EXPECT_EQ(frames()[0], "M SA005000042!");
}

TEST_F(ClockEffects, WrongManagementCardIsNotAnswered) {
  EXPECT_EQ(ClearA(1, 5, 654321), 0);
  EXPECT_EQ(frames(), (Frames{"M SA005654321!", "S SZ!"}));
  EXPECT_EQ(terminal().state().records.size(), 12u);
}

}  // namespace
}  // namespace icbus::test
