// Several buses at once: one thread per port, each on a session of its own,
// so the ports' transactions run side by side; one progress line per bus.
#pragma once
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "cli/options.h"
#include "host/bus_api.h"

namespace icbus::tool {

// Runs `work(port)` for every port, each on its own thread and session, with
// the command line's decimal setting and fast replies applied to that
// session. A single port runs on this thread, on the process's session.
void ForEachPort(const BusApi& bus, const OptionValues& options, const std::vector<int>& ports,
                 const std::function<void(int port)>& work);

// One status line per bus on a terminal, redrawn in place as the buses
// report; nothing is drawn when `drawing` is false.
class BusBoard {
 public:
  BusBoard(std::ostream& err, const std::vector<int>& ports, bool drawing);
  // Replaces the line of `port` ("port 1: ..." is drawn).
  void Show(int port, const std::string& status);
  // Leaves the cursor below the board.
  void Finish();

 private:
  void Redraw();

  std::ostream& err_;
  std::vector<int> ports_;
  std::vector<std::string> lines_;
  bool drawing_;
  bool drawn_ = false;
  std::mutex mutex_;
};

}  // namespace icbus::tool
