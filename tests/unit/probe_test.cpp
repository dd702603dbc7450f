// The probe a scan of a line runs: silent numbers cost milliseconds, a
// terminal that answers is released with "SZ!" and the port goes back to
// address mode.
#include <gtest/gtest.h>

#include "icbus.h"
#include "line_fixture.h"

namespace icbus::test {
namespace {

class Probe : public LineTest {};

TEST_F(Probe, FindsTheTerminalAndReleasesIt) {
  ASSERT_EQ(icDevInit("1"), 1);
  ASSERT_EQ(ChangeicDevSettings(0), 1);
  std::uint64_t start = ElapsedMillis();
  std::vector<int> found;
  for (int machine = 0; machine < 10; ++machine) {
    if (icbus_probe(machine) == 1) found.push_back(machine);
  }
  std::uint64_t took = ElapsedMillis() - start;
  EXPECT_EQ(icDevClose(), 1);
  EXPECT_EQ(found, std::vector<int>{5});
  Frames expected;
  for (int machine = 0; machine < 10; ++machine) {
    char frame[16];
    std::snprintf(frame, sizeof frame, "M SA%03d!", machine);
    expected.push_back(frame);
    if (machine == 5) expected.push_back("S SZ!");
  }
  EXPECT_EQ(frames(), expected);
  // Nine silent numbers at the poll's 12 ms each, and the wire.
  EXPECT_LT(took, 150u);
}

TEST_F(Probe, RefusesWithoutAHeldPortOrAValidNumber) {
  EXPECT_EQ(icbus_probe(5), -1);
  ASSERT_EQ(icDevInit("1"), 1);
  ASSERT_EQ(ChangeicDevSettings(0), 1);
  EXPECT_EQ(icbus_probe(-1), -1);
  EXPECT_EQ(icbus_probe(1000), -1);
  EXPECT_EQ(icDevClose(), 1);
  EXPECT_TRUE(frames().empty());
}

TEST_F(Probe, FailedSwitchToDataModeIsReported) {
  ASSERT_EQ(icDevInit("1"), 1);
  ASSERT_EQ(ChangeicDevSettings(0), 1);
  line().fail_when = [](const sim::PortCall& call) {
    return call.op == sim::PortOp::kSetState && call.parity == kSpaceParity;
  };
  EXPECT_EQ(icbus_probe(5), -1);
  line().fail_when = nullptr;
  EXPECT_EQ(icDevClose(), 1);
  EXPECT_EQ(frames(), (Frames{"M SA005!"}));
}

}  // namespace
}  // namespace icbus::test
