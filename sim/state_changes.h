// What a frame changed in a device, in a few words for the wire log, so a
// person sees the change without comparing two copies of the device:
//   clock "20260101080000" -> "20261210153000"
//   records 12 -> 0 (removed "2612010800001000001000100100000", ... 11 more)
//   cards[0].blocks.2/2 "0000..." -> "0100..."
#pragma once
#include <string>

namespace icbus::sim {

// The changes from `before` to `after`, two states of one device as
// DeviceState writes them, separated by "; "; empty when they are the same.
// What a device heard ("beeps", "orders") is left out: the log notes it on
// its own.
std::string StateChanges(const std::string& before, const std::string& after);

}  // namespace icbus::sim
