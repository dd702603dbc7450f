#include "link/session.h"

#include <cctype>
#include <cstring>

#include "link/port.h"

namespace icbus {
namespace {

// The one port the library holds. Unlike a bare handle variable, `g_held`
// says whether it is really open, so a second open can refuse instead of
// losing the first handle.
PortId g_port = kInvalidPort;
bool g_held = false;
std::string g_decimal_length;
// The parity this session last applied to the held port. A port may read its
// parity back as a value that is no parity at all (Wine on a pseudo-terminal
// after MARK or SPACE: the pty keeps PARODD and CMSPAR but drops PARENB), and
// such a value must never be written back.
std::uint8_t g_applied_parity = kNoParity;

// Digits only, value 1 and above, short enough for any port name.
bool ValidDigits(const char* digits) {
  if (!digits || !*digits) return false;
  std::size_t length = std::strlen(digits);
  if (length > 3) return false;
  bool nonzero = false;
  for (std::size_t i = 0; i < length; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(digits[i]))) return false;
    if (digits[i] != '0') nonzero = true;
  }
  return nonzero;
}

bool KnownParity(std::uint8_t parity) { return parity <= kSpaceParity; }

void ApplyBusSettings(LineSettings* settings, std::uint8_t parity) {
  settings->baud_rate = kBaudRate;
  settings->byte_size = 8;
  settings->parity = parity;
  settings->stop_bits = kOneStopBit;
  settings->binary = true;
}

bool ReadWithTimeouts(std::uint8_t* data, std::uint32_t count, std::uint32_t interval,
                      std::uint32_t multiplier, std::uint32_t constant) {
  if (!g_held) return false;
  Port& port = ActivePort();
  Timeouts saved;
  if (!port.GetTimeouts(g_port, &saved)) return false;
  Timeouts timeouts = saved;
  timeouts.read_interval = interval;
  timeouts.read_multiplier = multiplier;
  timeouts.read_constant = constant;
  if (!port.SetTimeouts(g_port, timeouts)) return false;
  std::uint32_t received = 0;
  bool ok = port.Read(g_port, data, count, &received);
  port.SetTimeouts(g_port, saved);
  return ok;
}

}  // namespace

std::string PortDigits(int port) { return port >= 1 ? std::to_string(port) : std::string(); }

bool DevInit(const char* digits) {
  if (g_held || !ValidDigits(digits)) return false;
  Port& port = ActivePort();
  std::string name = std::string("COM") + digits;
  PortId id = port.Open(name.c_str());
  if (id == kInvalidPort) return false;
  LineSettings settings;
  bool ok = port.GetState(id, &settings);
  if (ok) {
    ApplyBusSettings(&settings, kNoParity);
    ok = port.SetState(id, settings) && port.SetupQueues(id, kQueueSize, kQueueSize);
  }
  if (!ok) {
    port.Close(id);
    return false;
  }
  g_port = id;
  g_held = true;
  g_applied_parity = kNoParity;
  return true;
}

int DevClose() {
  if (!g_held) return 0;
  Port& port = ActivePort();
  port.Purge(g_port, kPurgeFlags);
  bool closed = port.Close(g_port);
  g_held = false;
  g_port = kInvalidPort;
  return closed ? 1 : 0;
}

bool ChangeDevSettings(int mode) {
  if (!g_held) return false;
  Port& port = ActivePort();
  LineSettings settings;
  if (!port.GetState(g_port, &settings)) return false;
  if (mode == 0) ApplyBusSettings(&settings, kMarkParity);
  if (mode == 1) ApplyBusSettings(&settings, kSpaceParity);
  // Any other mode writes the settings back as read, except a parity the
  // port cannot have been given: that one is what this session applied.
  if (!KnownParity(settings.parity)) settings.parity = g_applied_parity;
  if (!port.SetState(g_port, settings)) return false;
  g_applied_parity = settings.parity;
  return port.SetupQueues(g_port, kQueueSize, kQueueSize);
}

bool SetDecimalLength(const char* text) {
  g_decimal_length = text ? text : "";
  return true;
}

bool TwoDecimals() { return g_decimal_length == "2"; }

bool PortHeld() { return g_held; }

void PurgePort() { PurgePortWith(kPurgeFlags); }

void PurgePortWith(std::uint32_t flags) {
  if (g_held) ActivePort().Purge(g_port, flags);
}

bool WritePort(const std::uint8_t* data, std::uint32_t count) {
  if (!g_held) return false;
  PurgePort();
  return ActivePort().Write(g_port, data, count);
}

bool ReadPort(std::uint8_t* data, std::uint32_t count) {
  return ReadWithTimeouts(data, count, 200, 200, 200);
}

bool ReadPortFast(std::uint8_t* data, std::uint32_t count) {
  return ReadWithTimeouts(data, count, 5, 3, 0);
}

}  // namespace icbus
