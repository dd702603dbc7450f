// The virtual line's own semantics, on which every wire test relies:
// Windows read time-outs in virtual time and late answers.
#include <gtest/gtest.h>

#include "line_fixture.h"

namespace icbus::test {
namespace {

class Line : public LineTest {
 protected:
  void Open() {
    ASSERT_NE(line().Open("COM1"), kInvalidPort);
    LineSettings mark;
    mark.parity = kMarkParity;
    ASSERT_TRUE(line().SetState(1, mark));
    ASSERT_TRUE(line().SetTimeouts(1, Timeouts{200, 200, 200, 0, 0}));
  }
  void Send(const std::string& text) {
    ASSERT_TRUE(line().Write(1, reinterpret_cast<const std::uint8_t*>(text.data()),
                             static_cast<std::uint32_t>(text.size())));
  }
};

TEST_F(Line, SilenceCostsTheTotalBound) {
  Open();
  std::uint8_t buffer[15];
  std::uint32_t got = 99;
  std::uint64_t start = line().NowMicros();
  ASSERT_TRUE(line().Read(1, buffer, 15, &got));
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(line().NowMicros() - start, 3'200'000u);
}

TEST_F(Line, LateAnswerSurvivesAPurgeAndArrivesLater) {
  terminal().AddFault(sim::Fault{sim::Fault::Kind::kDelay, "SA", -1, 0, 1500, ""});
  Open();
  Send("SA005!");
  std::uint8_t buffer[4];
  std::uint32_t got = 0;
  ASSERT_TRUE(line().Read(1, buffer, 4, &got));
  EXPECT_EQ(got, 0u);
  ASSERT_TRUE(line().Purge(1, 11));
  line().SleepMillis(600);
  ASSERT_TRUE(line().Read(1, buffer, 3, &got));
  EXPECT_EQ(got, 3u);
}

TEST_F(Line, OpenIsExclusive) {
  ASSERT_NE(line().Open("COM1"), kInvalidPort);
  EXPECT_EQ(line().Open("COM1"), kInvalidPort);
  EXPECT_EQ(line().Open("COM9"), kInvalidPort);
  EXPECT_TRUE(line().Close(1));
}

TEST_F(Line, LocalTimeFollowsVirtualTime) {
  line().SetLocalTime(LocalTime{2004, 12, 31, 23, 59, 59});
  line().SleepMillis(1000);
  LocalTime t = line().Local();
  EXPECT_EQ(t.year, 2005);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.hour, 0);
}

}  // namespace
}  // namespace icbus::test
