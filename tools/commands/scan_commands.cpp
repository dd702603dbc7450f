// scan: which machine numbers answer on a line.
#include <map>
#include <mutex>

#include "cli/parallel.h"
#include "cli/report.h"
#include "commands/catalog.h"
#include "commands/line_scan.h"

namespace icbus::tool {
namespace {

// Holds the port open in address mode and probes each number in turn.
LineScan ScanPort(const BusApi& bus, int port, const std::vector<int>& machines,
                  const Context& context, BusBoard* board) {
  return ScanLine(
      bus, port, machines, [&] { return context.host.interrupted(); },
      [&](std::size_t tried, std::size_t found) {
        board->Show(port, std::to_string(tried) + "/" + std::to_string(machines.size()) +
                              " numbers, " + std::to_string(found) + " answered");
      });
}

Outcome Scan(const Context& context) {
  std::vector<int> ports = context.options.IntegerList("port");
  std::vector<int> machines = context.options.IntegerList("machine");
  BusBoard board(context.err, ports, context.host.progress);
  std::map<int, LineScan> results;
  std::mutex mutex;
  ForEachPort(context.bus, context.options, ports, [&](int port) {
    LineScan result = ScanPort(context.bus, port, machines, context, &board);
    std::lock_guard<std::mutex> lock(mutex);
    results[port] = result;
  });
  board.Finish();
  std::string failures;
  for (int port : ports) {
    const LineScan& result = results[port];
    for (int machine : result.found) {
      Report(
          context,
          (ports.size() > 1 ? "port " + std::to_string(port) + ": " : "") + std::to_string(machine),
          JsonObject().Add("port", port).Add("machine", machine));
    }
    if (!result.opened)
      failures += (failures.empty() ? "" : "; ") +
                  ("port " + std::to_string(port) + " could not be opened");
    if (result.failed)
      failures += (failures.empty() ? "" : "; ") +
                  ("the scan of port " + std::to_string(port) + " broke off");
  }
  if (!failures.empty()) return Outcome::Failure(failures);
  return Outcome::Success();
}

}  // namespace

CommandTable ScanCommands() {
  std::vector<OptionSpec> options = {
      IntegerListOption("port", "LIST", 1, 255, true,
                        "the ports to scan, such as 1 or 1,2 or 1-4; several are scanned at once"),
      WithDefault(IntegerListOption("machine", "LIST", 0, 999, false,
                                    "the machine numbers to try, such as 1-40"),
                  "0-999"),
  };
  return {
      {{"scan"},
       "list the machine numbers that answer on a line",
       "Holds each port open in address mode and sends every machine number its address frame, "
       "listing those whose terminal answers (one per line; with several ports, \"port P: M\"). "
       "A silent number costs the swipe poll's short read (12 ms), so a whole line of 1000 "
       "numbers takes seconds. A terminal that answered is released with \"SZ!\". On a "
       "terminal, one progress line per port counts the numbers tried.",
       options,
       Scan},
  };
}

}  // namespace icbus::tool
