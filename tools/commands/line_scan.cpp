#include "commands/line_scan.h"

#include <string>

namespace icbus::tool {

LineScan ScanLine(const BusApi& bus, int port, const std::vector<int>& machines,
                  const std::function<bool()>& stop,
                  const std::function<void(std::size_t tried, std::size_t found)>& progress,
                  std::size_t enough) {
  LineScan result;
  std::string digits = std::to_string(port);
  if (!bus.dev_init(digits.c_str())) return result;
  result.opened = true;
  if (!bus.change_dev_settings(0)) {
    bus.dev_close();
    result.failed = true;
    return result;
  }
  for (int machine : machines) {
    if (stop() || result.found.size() + result.garbled.size() >= enough) break;
    int answer = bus.probe(machine);
    if (answer < 0) {
      result.failed = true;
      break;
    }
    if (answer == 1) {
      result.found.push_back(machine);
    } else if (bus.last_error && bus.last_error() != ICBUS_ERR_SILENT) {
      result.garbled.push_back(machine);
    }
    progress(++result.tried, result.found.size());
  }
  bus.dev_close();
  return result;
}

std::vector<int> AllMachineNumbers() {
  std::vector<int> numbers(1000);
  for (int n = 0; n < 1000; ++n) numbers[static_cast<std::size_t>(n)] = n;
  return numbers;
}

}  // namespace icbus::tool
