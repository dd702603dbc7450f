#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <string>

#include "cli/consent.h"
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

// "COM12" or "\\.\COM12" is port 12.
std::optional<int> PortForDevice(const std::string& device) {
  std::string name = device.rfind("\\\\.\\", 0) == 0 ? device.substr(4) : device;
  if (name.size() < 4 || name.size() > 6 || _strnicmp(name.c_str(), "COM", 3) != 0) {
    return std::nullopt;
  }
  int number = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return std::nullopt;
    number = number * 10 + (name[i] - '0');
  }
  if (number < 1 || number > 255) return std::nullopt;
  return number;
}

double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

Host SystemHost() {
  Host host;
  host.progress = _isatty(_fileno(stderr)) != 0;
  host.stop_signal = StopSignal;
  host.pause = Pause;
  host.now = Now;
  host.seconds = Seconds;
  host.utc_offset_minutes = UtcOffsetMinutes;
  host.port_for_device = PortForDevice;
  host.ask = [](const std::string& question) -> std::optional<bool> {
    if (!(_isatty(_fileno(stdin)) != 0 && _isatty(_fileno(stderr)) != 0)) return std::nullopt;
    return AskYesNo(std::cin, std::cerr, question);
  };
  host.environment = [](const char* name) -> const char* { return std::getenv(name); };
  return host;
}

}  // namespace icbus::tool
