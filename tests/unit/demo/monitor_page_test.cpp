// TabSheet6: the monitor started and stopped by Button10, its lines in
// ListBox1, and the other controls kept off the port meanwhile.
#include "demo/console_fixture.h"
#include "link/session.h"

namespace icbus::test {
namespace {

using sim::Mode;

class MonitorPage : public ConsoleTest {
 protected:
  MonitorPage() { line_->SetLocalTime(LocalTime{2005, 1, 15, 9, 30, 0}); }
  void ServeUntil(const std::function<bool()>& done) {
    for (int round = 0; round < 5000 && !done(); ++round) console_.Serve();
  }
  std::vector<std::string>& List() { return view_.lines["ListBox1"]; }
};

TEST_F(MonitorPage, SwipesListedWhileOtherButtonsAreOff) {
  device_->OnEach(Mode::kAddress, "SY001!", {"000000!", "ABCDEFGHIJ0123456789!", "000000!"});
  view_.lines["ListBox1"] = {"old"};
  Click("Button10");
  EXPECT_TRUE(List().empty());
  EXPECT_EQ(view_.texts["Button10"], "停止");
  EXPECT_TRUE(console_.MonitorRunning());
  EXPECT_FALSE(view_.enabled["SpeedButton3"]);
  EXPECT_FALSE(view_.enabled["Button2"]);
  EXPECT_TRUE(view_.enabled["Button10"]);
  EXPECT_TRUE(view_.enabled["SpeedButton14"]);
  ServeUntil([&] { return List().size() >= 2; });
  EXPECT_EQ(List(),
            (std::vector<std::string>{"200501150930ABCDEFGHIJ0123456789", "ABCDEFGHIJ0123456789"}));
  // A click on a disabled control does nothing.
  Click("SpeedButton3");
  for (const auto& frame : frames()) EXPECT_EQ(frame, "M SY001!");
  Click("Button10");
  EXPECT_EQ(view_.texts["Button10"], "实时");
  EXPECT_TRUE(List().empty());
  EXPECT_FALSE(view_.enabled["Button10"]);  // until the stopped loop has closed the port
  ServeUntil([&] { return !console_.PortBusy(); });
  EXPECT_FALSE(PortHeld());
  EXPECT_TRUE(view_.enabled["SpeedButton3"]);
  EXPECT_TRUE(view_.enabled["Button10"]);
}

TEST_F(MonitorPage, ClosingTheFormStopsTheMonitorAndWaits) {
  device_->On(Mode::kAddress, "SY001!", "000000!");
  Click("Button10");
  ServeUntil([&] { return device_->Heard(Mode::kAddress, "SY001!") >= 2; });
  console_.FormClose();
  EXPECT_FALSE(PortHeld());
  EXPECT_FALSE(line_->IsOpen());
  EXPECT_TRUE(List().empty());
}

TEST_F(MonitorPage, StartingAgainOpensThePortAfresh) {
  device_->On(Mode::kAddress, "SY001!", "123456!");
  Click("Button10");
  ServeUntil([&] { return !List().empty(); });
  Click("Button10");
  ServeUntil([&] { return !console_.PortBusy(); });
  const int opens = line_->opens();
  Click("Button10");
  ServeUntil([&] { return !List().empty(); });
  EXPECT_EQ(line_->opens(), opens + 1);
  EXPECT_EQ(List().front(), "123456");
  console_.FormClose();
}

TEST_F(MonitorPage, PortThatCannotOpenLeavesNothingBusy) {
  view_.selected["cmbPort"] = 3;  // nothing on COM4
  line_->fail_when = [](const sim::PortCall& call) { return call.op == sim::PortOp::kOpen; };
  Click("Button10");
  ServeUntil([&] { return !console_.PortBusy(); });
  EXPECT_TRUE(view_.enabled["SpeedButton3"]);
  EXPECT_TRUE(List().empty());
  console_.FormClose();
}

}  // namespace
}  // namespace icbus::test
