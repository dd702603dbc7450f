// The swipe monitor with a fake owner thread serving its hand-overs.
#include <gtest/gtest.h>

#include <memory>

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

TEST_F(MonitorTest, HoldsThePortWhileRunning) {
  device_->On(Mode::kAddress, "SY005!", "000000!");
  records::Monitor monitor(1, 5, &hand_over_, [&](const std::string& l) { lines_.push_back(l); });
  while (device_->Heard(Mode::kAddress, "SY005!") < 2) hand_over_.Serve(1);
  EXPECT_FALSE(DevInit("1"));
  monitor.RequestStop();
  monitor.StopAndWait();
  EXPECT_TRUE(lines_.empty());
  EXPECT_FALSE(PortHeld());
}

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
