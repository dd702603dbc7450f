// One injectable clock for every wait and every local-time read, so the
// tests run in virtual time and are deterministic.
#pragma once
#include <cstdint>

namespace icbus {

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic time in microseconds.
  virtual std::uint64_t NowMicros() = 0;
  virtual void SleepMillis(std::uint32_t ms) = 0;
  // A pause during which a GUI thread keeps dispatching its window messages
  // (on Windows); elsewhere a plain sleep.
  virtual void PumpWait(std::uint32_t ms) = 0;
  virtual LocalTime Local() = 0;
};

Clock& SystemClock();
Clock& ActiveClock();
void UseClock(Clock* clock);

}  // namespace icbus
