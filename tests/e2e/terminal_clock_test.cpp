// The simulated terminal's clock runs on from the time it was given or set,
// over midnight, month and year ends, and stands still when it holds no date.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "bus.h"
#include "terminal.h"

namespace icbus::sim {
namespace {

struct ClockCase {
  const char* clock;     // configured
  const char* set;       // set by "SE" at the start (nullptr: none)
  long long millis;      // passed before "SD!"
  const char* answered;  // to "SD!", without "!"
};

TEST(TerminalClock, RunsOnFromTheTimeGivenOrSet) {
  const ClockCase cases[] = {
      {"20260101080000", nullptr, 0, "20260101080000"},
      {"20260101080000", nullptr, 999, "20260101080000"},
      {"20260101080000", nullptr, 61500, "20260101080101"},
      {"20261231235958", nullptr, 3000, "20270101000001"},
      {"20280228235959", nullptr, 1000, "20280229000000"},
      {"20270228235959", nullptr, 1000, "20270301000000"},
      {"20260101080000", "20260630120000", 5000, "20260630120005"},
      {"x", nullptr, 5000, "x"},
      {"20261301080000", nullptr, 5000, "20261301080000"},  // month 13: no date
  };
  for (const ClockCase& c : cases) {
    SCOPED_TRACE(c.clock + std::string(" +") + std::to_string(c.millis));
    long long now = 1000000;
    TerminalConfig config;
    config.machine = 7;
    config.clock = c.clock;
    Bus bus;
    Terminal& terminal = bus.Add(std::make_unique<Terminal>(config));
    terminal.RunClock([&] { return now; });
    ASSERT_EQ(bus.Deliver({"SA007!", Mode::kAddress})->bytes, "OK!");
    if (c.set) {
      ASSERT_EQ(bus.Deliver({"SE" + std::string(c.set) + "!", Mode::kData})->bytes, "DONE!");
    }
    now += c.millis;
    EXPECT_EQ(bus.Deliver({"SD!", Mode::kData})->bytes, c.answered + std::string("!"));
  }
}

}  // namespace
}  // namespace icbus::sim
