// scan: which machine numbers answer on a line.
#include <functional>
#include <map>
#include <mutex>

#include "cli/parallel.h"
#include "cli/report.h"
#include "commands/catalog.h"
#include "commands/line_scan.h"

namespace icbus::tool {
namespace {

// A terminal that answers only its six-digit address (machine number and
// management card) ignores the address frame; asking its clock with the card
// finds it, at the cost of a whole reply time-out for each silent number.
LineScan ScanByCard(const BusApi& bus, int port, const std::vector<int>& machines, int card,
                    const std::function<bool()>& stop,
                    const std::function<void(std::size_t, std::size_t)>& progress) {
  LineScan result;
  result.opened = true;
  for (int machine : machines) {
    if (stop()) break;
    char clock[32] = {};
    if (bus.get_time_a(port, machine, clock, card)) {
      result.found.push_back(machine);
    } else if (bus.last_error && bus.last_error() == ICBUS_ERR_PORT_OPEN) {
      result.opened = false;
      break;
    } else if (bus.last_error && bus.last_error() == ICBUS_ERR_NO_BANG) {
      result.garbled.push_back(machine);
    }
    progress(++result.tried, result.found.size());
  }
  return result;
}

LineScan ScanPort(const BusApi& bus, int port, const std::vector<int>& machines,
                  const Context& context, BusBoard* board) {
  auto stop = [&] { return context.host.interrupted(); };
  auto progress = [&](std::size_t tried, std::size_t found) {
    board->Show(port, std::to_string(tried) + "/" + std::to_string(machines.size()) + " numbers, " +
                          std::to_string(found) + " answered");
  };
  if (context.options.Has("card")) {
    int card = static_cast<int>(context.options.Integer("card"));
    return ScanByCard(bus, port, machines, card, stop, progress);
  }
  return ScanLine(bus, port, machines, stop, progress);
}

void AddFailure(std::string* failures, const std::string& text) {
  *failures += (failures->empty() ? "" : "; ") + text;
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
  std::size_t answered = 0;
  for (int port : ports) {
    const LineScan& result = results[port];
    const std::string on = ports.size() > 1 ? "port " + std::to_string(port) + ": " : "";
    for (int machine : result.found) {
      Report(context, on + std::to_string(machine),
             JsonObject().Add("port", port).Add("machine", machine));
    }
    answered += result.found.size();
    for (int machine : result.garbled) {
      context.err << "icbus: " << on << "machine " << machine << ": " << kGarbledAnswer << "\n";
    }
    if (!result.opened)
      AddFailure(&failures, "port " + std::to_string(port) + " could not be opened");
    if (result.failed)
      AddFailure(&failures, "the scan of port " + std::to_string(port) + " broke off");
    if (context.host.interrupted() && result.opened && !result.failed) {
      AddFailure(&failures, "port " + std::to_string(port) + ": " + std::to_string(result.tried) +
                                " of " + std::to_string(machines.size()) + " numbers tried");
    }
  }
  if (context.host.interrupted()) {
    return Outcome::Failure("interrupted: the scan is partial (" + failures + ")");
  }
  if (!failures.empty()) return Outcome::Failure(failures);
  if (answered == 0) {
    return Outcome::Failure(std::string("no terminal answered") +
                            (context.options.Has("card") ? ""
                                                         : " (one that answers only its "
                                                           "management card needs --card)"));
  }
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
      IntegerOption(
          "card", "N", 0, 999999, false,
          "find terminals that answer only their machine number together with this "
          "management card (a clock request each: a whole reply time-out for every silent number)"),
  };
  return {
      {{"scan"},
       "list the machine numbers that answer on a line",
       "Holds each port open in address mode and sends every machine number its address frame, "
       "listing those whose terminal answers (one per line; with several ports, \"port P: M\"). "
       "A silent number costs the swipe poll's short read (12 ms), so a whole line of 1000 "
       "numbers takes seconds. A terminal that answered is released with \"SZ!\". A garbled "
       "answer is reported on standard error: two terminals may share that number. Finding "
       "nothing is a failure. Ctrl-C ends the scan with the numbers found so far and exit 130. "
       "On a terminal, one progress line per port counts the numbers tried.",
       options,
       Scan},
  };
}

}  // namespace icbus::tool
