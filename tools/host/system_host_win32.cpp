#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <algorithm>
#include <atomic>

#include "host/host.h"

namespace icbus::tool {
namespace {

std::atomic<bool> stop_requested{false};

// Ctrl-C, Ctrl-Break and closing the console window ask the command to stop;
// the handler runs on a thread of its own, so it only raises the flag.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      stop_requested = true;
      return TRUE;
    default:
      return FALSE;
  }
}

bool Interrupted() {
  static const bool catching = [] { return SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0; }();
  return catching && stop_requested;
}

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

}  // namespace

Host SystemHost() {
  Host host;
  host.progress = _isatty(_fileno(stderr)) != 0;
  host.interrupted = Interrupted;
  host.pause = Pause;
  host.now = Now;
  return host;
}

}  // namespace icbus::tool
