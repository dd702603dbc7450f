// The Windows clock: the performance counter for intervals, the local time
// of the host, and a wait that keeps the calling thread's windows alive.
#include <windows.h>

#include "link/clock.h"

namespace icbus {
namespace {

class Win32Clock final : public Clock {
 public:
  Win32Clock() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    frequency_ = static_cast<std::uint64_t>(frequency.QuadPart);
  }

  std::uint64_t NowMicros() override {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    auto c = static_cast<std::uint64_t>(counter.QuadPart);
    // Split so that counter x 10^6 cannot overflow.
    return c / frequency_ * 1000000 + c % frequency_ * 1000000 / frequency_;
  }

  void SleepMillis(std::uint32_t ms) override { Sleep(ms); }

  // A host may call from its GUI thread; its windows must keep painting and
  // answering while the library waits. A quit request is handed back to the
  // host's own loop instead of being swallowed here.
  void PumpWait(std::uint32_t ms) override {
    DWORD start = GetTickCount();
    for (;;) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          PostQuitMessage(static_cast<int>(msg.wParam));
          SleepRest(start, ms);
          return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
      DWORD elapsed = GetTickCount() - start;
      if (elapsed >= ms) return;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    }
  }

  LocalTime Local() override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  }

 private:
  static void SleepRest(DWORD start, std::uint32_t ms) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed < ms) Sleep(ms - elapsed);
  }

  std::uint64_t frequency_ = 1;
};

}  // namespace

Clock& SystemClock() {
  static Win32Clock clock;
  return clock;
}

}  // namespace icbus
