// What a command needs of the world besides the bus and its output: the
// terminal the user watches, Ctrl-C, waiting and the local clock. The program
// passes the real ones; tests pass their own.
#pragma once
#include <ctime>
#include <functional>
#include <optional>
#include <string>

namespace icbus::tool {

struct Host {
  // Standard error is a terminal: long downloads draw a progress bar there.
  bool progress = false;
  // The signal that asked a long-running command to stop (Ctrl-C: SIGINT;
  // also SIGTERM, SIGHUP of a dropped session, SIGPIPE of a closed pipe), or 0.
  std::function<int()> stop_signal = [] { return 0; };
  bool interrupted() const { return stop_signal() != 0; }
  // Waits `ms` milliseconds, or less when interrupted meanwhile.
  std::function<void(int ms)> pause = [](int) {};
  // Seconds on a clock that only moves forward, for rates.
  std::function<double()> seconds = [] { return 0.0; };
  // The host's local time, and how far it is ahead of UTC in minutes.
  std::function<std::tm()> now = [] { return std::tm{}; };
  std::function<int()> utc_offset_minutes = [] { return 0; };
  // The port number under which the library opens `device` (a path such as
  // /dev/ttyUSB0, or COM12 on Windows), or nothing when it names no device.
  std::function<std::optional<int>(const std::string& device)> port_for_device =
      [](const std::string&) { return std::optional<int>(); };
  // Asks the user a yes-or-no question at the terminal and gives the answer;
  // nothing when there is no terminal to ask on (standard input or error is
  // not one), so that a script never waits for an answer.
  std::function<std::optional<bool>(const std::string& question)> ask = [](const std::string&) {
    return std::optional<bool>();
  };
  // The process's environment variable `name`, or null.
  std::function<const char*(const char* name)> environment = [](const char*) {
    return static_cast<const char*>(nullptr);
  };
};

// The real terminal, signals, sleep and clock of this process. Asking
// `stop_signal` the first time starts catching SIGINT, SIGTERM, SIGHUP and
// SIGPIPE, so only commands that check for them outlive them: those stop
// between records, release the terminal and end with 128 + the signal.
Host SystemHost();

}  // namespace icbus::tool
