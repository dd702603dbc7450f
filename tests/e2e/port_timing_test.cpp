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
#include <string>
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

constexpr microseconds kPtyMargin(15'000);

class PortTiming : public ::testing::Test {
 protected:
  void SetUp() override {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(::grantpt(master_), 0);
    ASSERT_EQ(::unlockpt(master_), 0);
    port_ = SystemPort().Open(::ptsname(master_));
    ASSERT_NE(port_, kInvalidPort);
  }
  void TearDown() override {
    if (port_ != kInvalidPort) SystemPort().Close(port_);
    ::close(master_);
  }
  void SetParity(std::uint8_t parity) {
    LineSettings settings;
    ASSERT_TRUE(SystemPort().GetState(port_, &settings));
    settings.baud_rate = 19200;
    settings.parity = parity;
    ASSERT_TRUE(SystemPort().SetState(port_, settings));
  }
  // How long writing `bytes` bytes takes.
  microseconds TimeWrite(std::size_t bytes) {
    std::vector<std::uint8_t> frame(bytes, 'x');
    auto start = Clock::now();
    EXPECT_TRUE(SystemPort().Write(port_, frame.data(), static_cast<std::uint32_t>(bytes)));
    return std::chrono::duration_cast<microseconds>(Clock::now() - start);
  }

  int master_ = -1;
  PortId port_ = kInvalidPort;
};

// 480 bytes: 250 ms at 10 bits a byte, 275 ms at 11.
TEST_F(PortTiming, AByteWithMarkOrSpaceParityTakesOneBitMore) {
  SetParity(kNoParity);
  microseconds plain = TimeWrite(480);
  EXPECT_GE(plain, Wire(480, 10));
  EXPECT_LT(plain, Wire(480, 11));
  for (std::uint8_t parity : {kMarkParity, kSpaceParity}) {
    SetParity(parity);
    EXPECT_GE(TimeWrite(480), Wire(480, 11)) << "parity " << int(parity);
  }
}

struct AfterWrite {
  const char* name;
  std::function<bool(PortId)> step;
};

void PrintTo(const AfterWrite& row, std::ostream* out) { *out << row.name; }

class StepAfterWrite : public PortTiming, public ::testing::WithParamInterface<AfterWrite> {};

TEST_P(StepAfterWrite, WaitsTheFramesWireTimeAndTheMargin) {
  SetParity(kMarkParity);
  std::vector<std::uint8_t> frame(20, 'x');
  auto start = Clock::now();
  ASSERT_TRUE(SystemPort().Write(port_, frame.data(), 20));
  EXPECT_TRUE(GetParam().step(port_));
  EXPECT_GE(Clock::now() - start, Wire(20, 11) + kPtyMargin);
  if (std::string(GetParam().name) == "Close") port_ = kInvalidPort;
}

const AfterWrite kSteps[] = {
    {"Purge", [](PortId port) { return SystemPort().Purge(port, 15); }},
    {"ParityChange",
     [](PortId port) {
       LineSettings settings;
       if (!SystemPort().GetState(port, &settings)) return false;
       settings.parity = kSpaceParity;
       return SystemPort().SetState(port, settings);
     }},
    {"Close", [](PortId port) { return SystemPort().Close(port); }},
};

INSTANTIATE_TEST_SUITE_P(Steps, StepAfterWrite, ::testing::ValuesIn(kSteps),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace icbus::e2e
