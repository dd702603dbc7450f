#include "link/clock.h"

#include <atomic>

namespace icbus {
namespace {
std::atomic<Clock*> g_clock{nullptr};
}  // namespace

Clock& ActiveClock() {
  Clock* clock = g_clock.load();
  return clock ? *clock : SystemClock();
}

void UseClock(Clock* clock) { g_clock.store(clock); }

}  // namespace icbus
