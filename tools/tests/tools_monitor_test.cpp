// monitor against the fake bus: the poll loop, its lines and its stop.
#include <gtest/gtest.h>

#include "tool_fixture.h"

namespace icbus::tool {
namespace {

using Calls = std::vector<std::string>;

class MonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_.stop_signal = CtrlCWhen([this] { return pauses_.size() >= stop_after_; });
    host_.pause = [this](int ms) { pauses_.push_back(ms); };
    host_.now = [] {
      std::tm t = {};
      t.tm_year = 2005 - 1900;
      t.tm_mon = 0;
      t.tm_mday = 15;
      t.tm_hour = 9;
      t.tm_min = 30;
      return t;
    };
  }
  Ran Watch() { return RunTool({"monitor", "--port", "2", "--machine", "5"}, &bus_, host_); }
  Calls Polls(size_t n) {
    Calls calls = {"icDevInit(\"2\")", "ChangeicDevSettings(0)"};
    calls.insert(calls.end(), n, "Real_time(5)");
    calls.push_back("icDevClose()");
    return calls;
  }

  FakeBus bus_;
  Host host_;
  std::vector<int> pauses_;
  size_t stop_after_ = 0;
};

TEST_F(MonitorTest, ListsASwipeOnceStampedAndOtherAnswersBare) {
  const std::string swipe = "ABCDEFGHIJKLMNOPQRST";
  bus_.polls = {{1, swipe}, {1, "000000"}, {1, "123456"}};
  stop_after_ = 3;
  Ran ran = Watch();
  EXPECT_EQ(ran.code, kExitSignalBase + SIGINT) << ran.err;
  EXPECT_EQ(ran.out, "200501150930" + swipe + "\n123456\n");
  EXPECT_EQ(ran.calls, Polls(3));
  EXPECT_EQ(pauses_, (std::vector<int>{600, 600, 600}));
}

TEST_F(MonitorTest, SilentFailedAndEmptyPollsReportNothing) {
  // A poll without "!" leaves the buffer alone: the swipe before must not
  // be listed again.
  bus_.polls = {{1, "ABCDEFGHIJKLMNOPQRST"}, {1, std::nullopt}, {0, std::nullopt}, {1, ""}};
  stop_after_ = 4;
  Ran ran = Watch();
  EXPECT_EQ(ran.out, "200501150930ABCDEFGHIJKLMNOPQRST\n");
  EXPECT_EQ(ran.calls, Polls(4));
}

TEST_F(MonitorTest, AnInterruptBeforeTheFirstPollOpensNothing) {
  stop_after_ = 0;
  Ran ran = Watch();
  EXPECT_EQ(ran.code, kExitSignalBase + SIGINT);
  EXPECT_TRUE(ran.calls.empty());
}

TEST_F(MonitorTest, APortThatDoesNotOpenFails) {
  stop_after_ = 5;
  bus_.results["icDevInit"] = 0;
  Ran ran = Watch();
  EXPECT_EQ(ran.code, 1);
  EXPECT_EQ(ran.calls, (Calls{"icDevInit(\"2\")"}));
  EXPECT_EQ(ran.err, "icbus: cannot open port 2\n");
}

TEST_F(MonitorTest, AFailedModeSwitchClosesThePort) {
  stop_after_ = 5;
  bus_.results["ChangeicDevSettings"] = 0;
  Ran ran = Watch();
  EXPECT_EQ(ran.code, 1);
  EXPECT_EQ(ran.calls, (Calls{"icDevInit(\"2\")", "ChangeicDevSettings(0)", "icDevClose()"}));
  EXPECT_EQ(ran.err, "icbus: cannot switch port 2 to address mode\n");
}

}  // namespace
}  // namespace icbus::tool
