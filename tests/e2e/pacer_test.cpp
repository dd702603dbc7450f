// The simulator's line pacing: bytes leave one byte time apart, a reply
// waits for the one before it, and an idle line starts at once.
#include "pacer.h"

#include <gtest/gtest.h>

namespace icbus::sim {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

class PacerTest : public ::testing::Test {
 protected:
  Pacer pacer_;
  Pacer::Clock::time_point t0_ = Pacer::Clock::now();
};

TEST_F(PacerTest, ByteTimeAt19200Baud) {
  EXPECT_EQ(std::chrono::duration_cast<nanoseconds>(Pacer::ByteTime(10, 19200)).count(), 520833);
  EXPECT_EQ(std::chrono::duration_cast<nanoseconds>(Pacer::ByteTime(11, 19200)).count(), 572916);
  EXPECT_EQ(Pacer::ByteTime(11, 0).count(), 0);
}

TEST_F(PacerTest, EachByteArrivesWhenItsLastBitHas) {
  pacer_.Queue("ABC", milliseconds(1), t0_);
  EXPECT_EQ(pacer_.TakeDue(t0_), "");
  EXPECT_EQ(pacer_.NextDue(), t0_ + milliseconds(1));
  EXPECT_EQ(pacer_.TakeDue(t0_ + microseconds(1999)), "A");
  EXPECT_EQ(pacer_.TakeDue(t0_ + milliseconds(2)), "B");
  EXPECT_EQ(pacer_.NextDue(), t0_ + milliseconds(3));
  EXPECT_EQ(pacer_.TakeDue(t0_ + milliseconds(10)), "C");
  EXPECT_FALSE(pacer_.NextDue().has_value());
}

TEST_F(PacerTest, ALateLookCatchesUpAtOnce) {
  pacer_.Queue("OVER!", milliseconds(1), t0_);
  EXPECT_EQ(pacer_.TakeDue(t0_ + milliseconds(4)), "OVER");
  EXPECT_EQ(pacer_.TakeDue(t0_ + milliseconds(5)), "!");
}

TEST_F(PacerTest, AReplyWaitsForTheLineToBeFree) {
  pacer_.Queue("AB", milliseconds(1), t0_);
  pacer_.Queue("C", milliseconds(1), t0_ + microseconds(500));
  EXPECT_EQ(pacer_.TakeDue(t0_ + microseconds(2999)), "AB");
  EXPECT_EQ(pacer_.TakeDue(t0_ + milliseconds(3)), "C");
}

TEST_F(PacerTest, AnIdleLineStartsAtOnce) {
  pacer_.Queue("A", milliseconds(1), t0_);
  EXPECT_EQ(pacer_.TakeDue(t0_ + milliseconds(1)), "A");
  pacer_.Queue("B", milliseconds(1), t0_ + milliseconds(50));
  EXPECT_EQ(pacer_.NextDue(), t0_ + milliseconds(51));
}

TEST_F(PacerTest, ZeroByteTimeHandsOverAtOnce) {
  pacer_.Queue("OK!", Pacer::Clock::duration::zero(), t0_);
  EXPECT_EQ(pacer_.TakeDue(t0_), "OK!");
}

}  // namespace
}  // namespace icbus::sim
