#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "host/system_parts.h"

namespace icbus::tool::system {
namespace {

std::atomic<int> stop_signal{0};

// The first signal is the one the exit code reports.
void OnStopSignal(int number) {
  int none = 0;
  stop_signal.compare_exchange_strong(none, number);
}

}  // namespace

int StopSignal() {
  static const bool catching = [] {
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // A dropped ssh session (HUP) and a reader that went away (PIPE, as in
    // "--out - | head") must release the terminal as Ctrl-C does.
    for (int number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::sigaction(number, &action, nullptr);
    return true;
  }();
  return catching ? stop_signal.load() : 0;
}

void Pause(int ms) {
  // Short slices, so Ctrl-C ends a monitor within a blink and not after a
  // whole poll interval.
  constexpr int kSliceMs = 20;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (StopSignal() == 0) {
    auto left = end - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(kSliceMs)));
  }
}

std::tm Now() {
  std::time_t seconds = std::time(nullptr);
  std::tm local = {};
  ::localtime_r(&seconds, &local);
  return local;
}

int UtcOffsetMinutes() {
  std::time_t seconds = std::time(nullptr);
  std::tm local = {};
  ::localtime_r(&seconds, &local);
  return static_cast<int>(local.tm_gmtoff / 60);
}

// The library opens port N as $ICBUS_COM<N>: a device path is given the
// highest number whose variable is free (or already names it).
std::optional<int> PortForDevice(const std::string& device) {
  if (device.empty() || device[0] != '/') return std::nullopt;
  for (int number = 255; number >= 1; --number) {
    const std::string variable = "ICBUS_COM" + std::to_string(number);
    const char* current = std::getenv(variable.c_str());
    if (current && *current && device != current) continue;
    if (::setenv(variable.c_str(), device.c_str(), 1) != 0) return std::nullopt;
    return number;
  }
  return std::nullopt;
}

bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }
bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace icbus::tool::system
