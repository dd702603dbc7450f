// Which machine numbers answer on a line: the port held open in address
// mode, each number sent its address frame with the swipe poll's short read.
#pragma once
#include <cstddef>
#include <functional>
#include <limits>
#include <vector>

#include "host/bus_api.h"

namespace icbus::tool {

struct LineScan {
  bool opened = false;
  bool failed = false;  // the port would not switch modes mid-scan
  std::size_t tried = 0;
  std::vector<int> found;
  // Numbers whose answer came garbled (bytes without "!", or not "OK"): two
  // terminals that share a number answer at once and spoil each other.
  std::vector<int> garbled;
};

// Tries `machines` on `port` in turn until all are tried, `stop()` says so
// or `enough` have answered (a garbled answer counts); `progress(tried, found)` hears of each
// number.
LineScan ScanLine(const BusApi& bus, int port, const std::vector<int>& machines,
                  const std::function<bool()>& stop,
                  const std::function<void(std::size_t tried, std::size_t found)>& progress,
                  std::size_t enough = std::numeric_limits<std::size_t>::max());

// Why a garbled answer matters, after "machine 42: ".
constexpr const char kGarbledAnswer[] = "garbled answer \u2014 two terminals may share this number";

// Every machine number a terminal can have, 0 to 999.
std::vector<int> AllMachineNumbers();

}  // namespace icbus::tool
