// scan: which machine numbers answer on a line.
#include <map>
#include <mutex>

#include "catalog.h"
#include "parallel.h"

namespace icbus::tool {
namespace {

struct ScanResult {
  bool opened = false;
  bool failed = false;  // the port would not switch modes mid-scan
  std::vector<int> found;
};

// Holds the port open in address mode and probes each number in turn.
ScanResult ScanPort(const BusApi& bus, int port, const std::vector<int>& machines,
                    const Context& context, BusBoard* board) {
  ScanResult result;
  std::string digits = std::to_string(port);
  if (!bus.dev_init(digits.c_str())) return result;
  result.opened = true;
  if (!bus.change_dev_settings(0)) {
    bus.dev_close();
    result.failed = true;
    return result;
  }
  std::size_t done = 0;
  for (int machine : machines) {
    if (context.host.interrupted()) break;
    int answer = bus.probe(machine);
    if (answer < 0) {
      result.failed = true;
      break;
    }
    if (answer == 1) result.found.push_back(machine);
    ++done;
    board->Show(port, std::to_string(done) + "/" + std::to_string(machines.size()) + " numbers, " +
                          std::to_string(result.found.size()) + " answered");
  }
  bus.dev_close();
  return result;
}

Outcome Scan(const Context& context) {
  std::vector<int> ports = context.options.IntegerList("port");
  std::vector<int> machines = context.options.IntegerList("machine");
  BusBoard board(context.err, ports, context.host.progress);
  std::map<int, ScanResult> results;
  std::mutex mutex;
  ForEachPort(context.bus, context.options, ports, [&](int port) {
    ScanResult result = ScanPort(context.bus, port, machines, context, &board);
    std::lock_guard<std::mutex> lock(mutex);
    results[port] = result;
  });
  board.Finish();
  std::string failures;
  for (int port : ports) {
    const ScanResult& result = results[port];
    for (int machine : result.found) {
      if (ports.size() > 1) context.out << "port " << port << ": ";
      context.out << machine << "\n";
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
