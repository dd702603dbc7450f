// The reply mode of the C exports follows ICBUS_FAST_REPLIES as the library
// found it when it loaded: this binary runs once without it and once with
// it, and the rest of its tests must give the same results either way.
#include "reply_mode.h"

#include <gtest/gtest.h>

#include <chrono>

#include "icbus.h"
#include "sim_process.h"

namespace icbus::e2e {
namespace {

// GetTime reads 4 bytes for the 3 of "OK!": the compatible read waits a
// whole 200 ms interval for the fourth, a fast one ends at the "!". The
// bounds are far apart, so the check does not depend on the machine's load.
TEST(ReplyMode, FollowsTheEnvironment) {
  SimProcess sim;
  ASSERT_TRUE(sim.running());
  PortMapping com1(1, sim.link());
  char out[16] = {};
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(GetTime(1, 5, out), 1);
  auto took = std::chrono::steady_clock::now() - start;
  if (FastReplies()) {
    EXPECT_LT(took, std::chrono::milliseconds(180));
  } else {
    EXPECT_GE(took, std::chrono::milliseconds(200));
  }
}

}  // namespace
}  // namespace icbus::e2e
