#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include "cli/consent.h"
#include "host/host.h"

namespace icbus::tool {
namespace {

std::atomic<int> stop_signal{0};

// The first signal is the one the exit code reports.
void OnStopSignal(int number) {
  int none = 0;
  stop_signal.compare_exchange_strong(none, number);
}

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

bool Interrupted() { return StopSignal() != 0; }

void Pause(int ms) {
  // Short slices, so Ctrl-C ends a monitor within a blink and not after a
  // whole poll interval.
  constexpr int kSliceMs = 20;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!Interrupted()) {
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

double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

Host SystemHost() {
  Host host;
  host.progress = ::isatty(STDERR_FILENO) == 1;
  host.stop_signal = StopSignal;
  host.pause = Pause;
  host.now = Now;
  host.seconds = Seconds;
  host.utc_offset_minutes = UtcOffsetMinutes;
  host.port_for_device = PortForDevice;
  host.ask = [](const std::string& question) -> std::optional<bool> {
    if (!(::isatty(STDIN_FILENO) == 1 && ::isatty(STDERR_FILENO) == 1)) return std::nullopt;
    return AskYesNo(std::cin, std::cerr, question);
  };
  host.environment = [](const char* name) -> const char* { return std::getenv(name); };
  return host;
}

}  // namespace icbus::tool
