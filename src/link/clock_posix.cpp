#include <chrono>
#include <ctime>
#include <thread>

#include "link/clock.h"

namespace icbus {
namespace {

class PosixClock final : public Clock {
 public:
  std::uint64_t NowMicros() override {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(now).count());
  }
  void SleepMillis(std::uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  // There is no window message loop to keep alive here.
  void PumpWait(std::uint32_t ms) override { SleepMillis(ms); }
  LocalTime Local() override {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec};
  }
};

}  // namespace

Clock& SystemClock() {
  static PosixClock clock;
  return clock;
}

}  // namespace icbus
