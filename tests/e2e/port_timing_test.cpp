// The POSIX backend's own waits on a real pseudo-terminal, in real time:
// a write lasts its frame's time on the wire, with the ninth bit counted,
// and a purge, parity change or close after it waits that time plus the
// pty's margin, so the device side can still tell the frame's parity.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <vector>

#include "link/port.h"

namespace icbus::e2e {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

// The time of `bytes` at 19200 baud with `bits` a byte.
microseconds Wire(std::size_t bytes, unsigned bits) {
  return microseconds(bytes * bits * 1'000'000 / 19200);
}

class PortTiming : public ::testing::Test {
 protected:
  void SetUp() override {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(::grantpt(master_), 0);
    ASSERT_EQ(::unlockpt(master_), 0);
  }
  void TearDown() override { ::close(master_); }
  PortId Open(std::uint8_t parity) {
    PortId port = SystemPort().Open(::ptsname(master_));
    LineSettings settings;
    EXPECT_TRUE(SystemPort().GetState(port, &settings));
    settings.baud_rate = 19200;
    settings.parity = parity;
    EXPECT_TRUE(SystemPort().SetState(port, settings));
    return port;
  }
  // Writes `bytes` bytes; the time from the write's start to the end of
  // `then` (the write alone when none).
  microseconds Time(PortId port, std::size_t bytes, const std::function<void()>& then = {}) {
    std::vector<std::uint8_t> frame(bytes, 'x');
    auto start = Clock::now();
    EXPECT_TRUE(SystemPort().Write(port, frame.data(), static_cast<std::uint32_t>(bytes)));
    if (then) then();
    return std::chrono::duration_cast<microseconds>(Clock::now() - start);
  }

  int master_ = -1;
};

// 480 bytes: 250 ms at 10 bits a byte, 275 ms at 11.
TEST_F(PortTiming, AByteWithMarkOrSpaceParityTakesOneBitMore) {
  for (std::uint8_t parity : {kNoParity, kMarkParity, kSpaceParity}) {
    PortId port = Open(parity);
    microseconds took = Time(port, 480);
    EXPECT_GE(took, Wire(480, parity == kNoParity ? 10 : 11)) << int(parity);
    if (parity == kNoParity) {
      EXPECT_LT(took, Wire(480, 11));
    }
    SystemPort().Close(port);
  }
}

TEST_F(PortTiming, APurgeParityChangeOrCloseWaitsTheFrameAndTheMargin) {
  const microseconds kPtyMargin(15'000);
  const std::function<void(PortId)> steps[] = {
      [](PortId port) { EXPECT_TRUE(SystemPort().Purge(port, 15)); },
      [](PortId port) {
        LineSettings settings;
        EXPECT_TRUE(SystemPort().GetState(port, &settings));
        settings.parity = kSpaceParity;
        EXPECT_TRUE(SystemPort().SetState(port, settings));
      },
      [](PortId port) { EXPECT_TRUE(SystemPort().Close(port)); },
  };
  for (std::size_t i = 0; i < 3; ++i) {
    PortId port = Open(kMarkParity);
    EXPECT_GE(Time(port, 20, [&] { steps[i](port); }), Wire(20, 11) + kPtyMargin) << i;
    if (i < 2) SystemPort().Close(port);
  }
}

}  // namespace
}  // namespace icbus::e2e
