#include "terminal/probe.h"

#include <cstdio>
#include <string>

#include "link/engine.h"
#include "link/refusal.h"
#include "link/session.h"

namespace icbus::terminal {
namespace {

constexpr std::uint32_t kAddressReply = 4;
const char kClosingFrame[] = "SZ!";

}  // namespace

int Probe(int machine) {
  if (auto refusal = OutOfRange(machine, 0, 999, "machine number")) return Refuse(-1, *refusal);
  if (!PortHeld()) {
    RecordNotOpen();
    return -1;
  }
  char frame[16];
  std::snprintf(frame, sizeof frame, "SA%03d!", machine);
  std::optional<Outcome> answer = Poll(frame, kAddressReply);
  if (!answer || !answer->arrived || answer->reply != "OK") return 0;
  if (!ChangeDevSettings(1)) return -1;
  WritePort(reinterpret_cast<const std::uint8_t*>(kClosingFrame), sizeof kClosingFrame - 1);
  return ChangeDevSettings(0) ? 1 : -1;
}

}  // namespace icbus::terminal
