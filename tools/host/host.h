// What a command needs of the world besides the bus and its output: the
// terminal the user watches, Ctrl-C, waiting and the local clock. The program
// passes the real ones; tests pass their own.
#pragma once
#include <ctime>
#include <functional>

namespace icbus::tool {

struct Host {
  // Standard error is a terminal: long downloads draw a progress bar there.
  bool progress = false;
  // True once the user asked a long-running command to stop (Ctrl-C).
  std::function<bool()> interrupted = [] { return false; };
  // Waits `ms` milliseconds, or less when interrupted meanwhile.
  std::function<void(int ms)> pause = [](int) {};
  // The host's local time.
  std::function<std::tm()> now = [] { return std::tm{}; };
};

// The real terminal, signals, sleep and clock of this process. Asking
// `interrupted` the first time starts catching SIGINT and SIGTERM, so only
// commands that check for it outlive Ctrl-C.
Host SystemHost();

}  // namespace icbus::tool
