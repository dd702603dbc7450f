// monitor against the fake bus: the poll loop, its lines and its stop.
#include <gtest/gtest.h>

#include <deque>

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
      t.tm_sec = 7;
      return t;
    };
    host_.utc_offset_minutes = [] { return 8 * 60; };
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
  EXPECT_EQ(ran.out, "2005-01-15T09:30:07+08:00 " + swipe + "\n123456\n");
  EXPECT_EQ(ran.calls, Polls(3));
  EXPECT_EQ(pauses_, (std::vector<int>{600, 600, 600}));
}

TEST_F(MonitorTest, SilentAndEmptyPollsReportNothing) {
  // A poll without "!" leaves the buffer alone: the swipe before must not
  // be listed again.
  bus_.polls = {{1, "ABCDEFGHIJKLMNOPQRST"}, {1, std::nullopt}, {1, ""}};
  stop_after_ = 3;
  Ran ran = Watch();
  EXPECT_EQ(ran.out, "2005-01-15T09:30:07+08:00 ABCDEFGHIJKLMNOPQRST\n");
  EXPECT_EQ(ran.calls, Polls(3));
  EXPECT_EQ(ran.err, "");
}

// A terminal that falls silent, and a line that fails, are said out loud.
TEST_F(MonitorTest, SilenceAndAFailedPortAreReported) {
  const FakeReply silent{1, std::nullopt}, failed{0, std::nullopt}, swipe{1, "000000"};
  struct Row {
    std::vector<std::string> more;
    std::deque<FakeReply> polls;
    std::deque<int> opens;
    size_t stop_after;
    int code;
    std::string err;
  };
  const std::vector<Row> rows = {
      {{"--silent-polls", "2"},
       {silent, silent, silent, swipe},
       {},
       4,
       kExitSignalBase + SIGINT,
       "icbus: terminal 5 on port 2 has not answered for 2 polls\n"
       "icbus: terminal 5 on port 2 answers again\n"},
      {{},
       {swipe, failed},
       {},
       10,
       1,
       "icbus: port 2 failed: the poll failed\nicbus: port 2 is gone: the poll failed\n"},
      {{"--reconnect", "3"},
       {failed, swipe},
       {},
       4,
       kExitSignalBase + SIGINT,
       "icbus: port 2 failed: the poll failed; trying to open it again for 3 s\n"
       "icbus: port 2 is open again\n"},
      {{"--reconnect", "2"},
       {failed},
       {1, 0, 0},
       10,
       1,
       "icbus: port 2 failed: the poll failed; trying to open it again for 2 s\n"
       "icbus: port 2 is gone: the poll failed\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.err);
    FakeBus bus;
    bus.polls = row.polls;
    bus.opens = row.opens;
    pauses_.clear();
    stop_after_ = row.stop_after;
    std::vector<std::string> args = {"monitor", "--port", "2", "--machine", "5"};
    args.insert(args.end(), row.more.begin(), row.more.end());
    Ran ran = RunTool(args, &bus, host_);
    EXPECT_EQ(ran.code, row.code);
    EXPECT_EQ(ran.err, row.err);
  }
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
