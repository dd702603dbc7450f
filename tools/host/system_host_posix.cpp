#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "host/host.h"

namespace icbus::tool {
namespace {

std::atomic<bool> stop_requested{false};

void OnStopSignal(int) { stop_requested = true; }

bool Interrupted() {
  static const bool catching = [] {
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    return true;
  }();
  return catching && stop_requested;
}

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

}  // namespace

Host SystemHost() {
  Host host;
  host.progress = ::isatty(STDERR_FILENO) == 1;
  host.interrupted = Interrupted;
  host.pause = Pause;
  host.now = Now;
  return host;
}

}  // namespace icbus::tool
