#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <ctime>

#include "host/host.h"

namespace icbus::tool {
namespace {

std::atomic<int> stop_signal{0};

// Ctrl-C and Ctrl-Break ask the command to stop as SIGINT does elsewhere,
// closing the console window as SIGTERM; the handler runs on a thread of its
// own, so it only records which.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  int number = 0;
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      number = SIGINT;
      break;
    case CTRL_CLOSE_EVENT:
      number = SIGTERM;
      break;
    default:
      return FALSE;
  }
  int none = 0;
  stop_signal.compare_exchange_strong(none, number);
  return TRUE;
}

int StopSignal() {
  static const bool catching = [] { return SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0; }();
  return catching ? stop_signal.load() : 0;
}

bool Interrupted() { return StopSignal() != 0; }

void Pause(int ms) {
  // Short slices, so Ctrl-C ends a monitor within a blink.
  constexpr DWORD kSliceMs = 20;
  const DWORD start = GetTickCount();
  while (!Interrupted()) {
    DWORD passed = GetTickCount() - start;
    if (ms <= 0 || passed >= static_cast<DWORD>(ms)) return;
    Sleep(std::min<DWORD>(kSliceMs, static_cast<DWORD>(ms) - passed));
  }
}

std::tm Now() {
  std::time_t seconds = std::time(nullptr);
  std::tm local = {};
  localtime_s(&local, &seconds);
  return local;
}

// The local wall clock read as if it were UTC, less the real UTC time.
int UtcOffsetMinutes() {
  std::time_t seconds = std::time(nullptr);
  std::tm local = {};
  localtime_s(&local, &seconds);
  return static_cast<int>((_mkgmtime(&local) - seconds) / 60);
}

}  // namespace

Host SystemHost() {
  Host host;
  host.progress = _isatty(_fileno(stderr)) != 0;
  host.stop_signal = StopSignal;
  host.pause = Pause;
  host.now = Now;
  host.utc_offset_minutes = UtcOffsetMinutes;
  return host;
}

}  // namespace icbus::tool
