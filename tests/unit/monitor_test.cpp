// The swipe monitor with a fake owner thread serving its hand-overs.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include "icbus.h"
#include "link/session.h"
#include "records/realtime.h"
#include "scripted_device.h"
#include "sim/virtual_line.h"

namespace icbus::test {
namespace {

using sim::Mode;

class MonitorTest : public ::testing::Test {
 protected:
  MonitorTest() {
    device_ = &line_->bus(1).Add(std::make_unique<ScriptedDevice>());
    line_->SetLocalTime(LocalTime{2005, 1, 15, 9, 30, 0});
  }
  // Serves hand-overs until `count` lines arrived (or a bound of rounds).
  void ServeUntil(std::size_t count) {
    for (int round = 0; round < 2000 && lines_.size() < count; ++round) hand_over_.Serve(5);
  }

  sim::ScopedVirtualLine line_;
  ScriptedDevice* device_;
  records::HandOver hand_over_;
  std::vector<std::string> lines_;
};

TEST_F(MonitorTest, SwipeIsListedStampedThenBareAndOtherRepliesOnce) {
  device_->OnEach(Mode::kAddress, "SY005!",
                  {"000000!", "ABCDEFGHIJ0123456789!", "", "", "123456!", "000000!"});
  records::Monitor monitor(1, 5, &hand_over_, [&](const std::string& l) { lines_.push_back(l); });
  ServeUntil(3);
  monitor.StopAndWait();
  ASSERT_GE(lines_.size(), 3u);
  EXPECT_EQ(lines_[0], "200501150930ABCDEFGHIJ0123456789");
  EXPECT_EQ(lines_[1], "ABCDEFGHIJ0123456789");
  // The silent polls in between list nothing again.
  EXPECT_EQ(lines_[2], "123456");
  EXPECT_EQ(lines_.size(), 3u);
  EXPECT_FALSE(PortHeld());
  EXPECT_FALSE(line_->IsOpen());
  for (const auto& frame : line_->HostFrames()) EXPECT_EQ(frame, "M SY005!");
}

// Only what the monitor hands over and the exports are touched while its
// thread polls: both take the locks the threads share.
TEST_F(MonitorTest, HoldsThePortWhileRunning) {
  device_->OnEach(Mode::kAddress, "SY005!", {"000000!", "123456!", "000000!"});
  records::Monitor monitor(1, 5, &hand_over_, [&](const std::string& l) { lines_.push_back(l); });
  ServeUntil(1);  // the second poll has been answered
  EXPECT_EQ(icDevInit("1"), 0);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_PORT_HELD);
  monitor.StopAndWait();
  EXPECT_EQ(lines_, std::vector<std::string>{"123456"});
  EXPECT_EQ(icDevInit("1"), 1);
  EXPECT_EQ(icDevClose(), 1);
}

// 600 ms from the end of one poll's read to the next poll, on the virtual
// clock: the reply arrives at once and the read ends 5 ms after its last byte.
TEST_F(MonitorTest, PausesBetweenPolls) {
  device_->OnEach(Mode::kAddress, "SY005!", {"000000!", "000000!", "000000!", "123456!"});
  records::Monitor monitor(1, 5, &hand_over_, [&](const std::string& l) { lines_.push_back(l); });
  ServeUntil(1);
  monitor.StopAndWait();
  std::vector<std::uint64_t> polls;
  for (const auto& entry : line_->log()) {
    if (entry.direction == '>') polls.push_back(entry.micros);
  }
  ASSERT_GE(polls.size(), 4u);
  const std::uint64_t poll = sim::WireMicros(6) + sim::WireMicros(7) + 5000;
  for (std::size_t i = 1; i < 4; ++i) EXPECT_EQ(polls[i] - polls[i - 1], poll + 600'000) << i;
}

#ifdef __linux__
// One nice step below the thread that started it (the console's window).
TEST_F(MonitorTest, PollsOneStepBelowNormalPriority) {
  std::atomic<int> polled_at{-100};
  line_->fail_when = [&](const sim::PortCall& call) {
    if (call.op == sim::PortOp::kWrite) polled_at = getpriority(PRIO_PROCESS, syscall(SYS_gettid));
    return false;
  };
  device_->OnEach(Mode::kAddress, "SY005!", {"123456!", "000000!"});
  const int mine = getpriority(PRIO_PROCESS, syscall(SYS_gettid));
  records::Monitor monitor(1, 5, &hand_over_, [&](const std::string& l) { lines_.push_back(l); });
  ServeUntil(1);
  monitor.StopAndWait();
  EXPECT_EQ(polled_at.load(), mine < 19 ? mine + 1 : 19);
}
#endif

TEST_F(MonitorTest, EndsAtOnceWhenThePortCannotBeOpened) {
  records::Monitor monitor(3, 5, &hand_over_, [&](const std::string& l) { lines_.push_back(l); });
  for (int i = 0; i < 1000 && monitor.Running(); ++i) hand_over_.Serve(1);
  EXPECT_FALSE(monitor.Running());
  monitor.StopAndWait();
  EXPECT_TRUE(line_->HostFrames().empty());
}

TEST_F(MonitorTest, StopAndWaitKeepsServingSoNeitherThreadWaitsForTheOther) {
  device_->On(Mode::kAddress, "SY005!", "ABCDEFGHIJ0123456789!");
  int shown = 0;
  records::Monitor monitor(1, 5, &hand_over_, [&](const std::string&) { ++shown; });
  ServeUntil(0);
  while (shown == 0) hand_over_.Serve(1);
  monitor.StopAndWait();  // the worker may be waiting in a hand-over right now
  EXPECT_FALSE(monitor.Running());
  EXPECT_FALSE(PortHeld());
}

}  // namespace
}  // namespace icbus::test
