#include "link/session.h"

#include <cctype>
#include <cstring>

namespace icbus {
namespace {

thread_local Session* t_bound = nullptr;

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

// One read under its own time-outs; the port's previous ones are restored.
bool ReadWithTimeouts(Session& session, std::uint8_t* data, std::uint32_t count,
                      const Timeouts& wanted, std::uint32_t* received) {
  if (!session.held) return false;
  Port& port = ActivePort();
  Timeouts saved;
  if (!port.GetTimeouts(session.port, &saved)) return false;
  Timeouts timeouts = saved;
  timeouts.read_interval = wanted.read_interval;
  timeouts.read_multiplier = wanted.read_multiplier;
  timeouts.read_constant = wanted.read_constant;
  if (!port.SetTimeouts(session.port, timeouts)) return false;
  *received = 0;
  bool ok = port.Read(session.port, data, count, received);
  port.SetTimeouts(session.port, saved);
  return ok;
}

bool ReadFor(Session& session, std::uint8_t* data, std::uint32_t count, std::uint32_t interval,
             std::uint32_t multiplier, std::uint32_t constant) {
  Timeouts wanted;
  wanted.read_interval = interval;
  wanted.read_multiplier = multiplier;
  wanted.read_constant = constant;
  std::uint32_t received = 0;
  return ReadWithTimeouts(session, data, count, wanted, &received);
}

}  // namespace

Session& DefaultSession() {
  static Session session;
  return session;
}

Session& CurrentSession() { return t_bound ? *t_bound : DefaultSession(); }

SessionScope::SessionScope(Session& session) : previous_(t_bound) { t_bound = &session; }

SessionScope::~SessionScope() { t_bound = previous_; }

std::string PortDigits(int port) { return port >= 1 ? std::to_string(port) : std::string(); }

bool DevInit(Session& session, const char* digits) {
  if (session.held || !ValidDigits(digits)) return false;
  Port& port = ActivePort();
  std::string name = session.device.empty() ? std::string("COM") + digits : session.device;
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
  session.port = id;
  session.held = true;
  session.parity = kNoParity;
  return true;
}

int DevClose(Session& session) {
  if (!session.held) return 0;
  Port& port = ActivePort();
  port.Purge(session.port, kPurgeFlags);
  bool closed = port.Close(session.port);
  session.held = false;
  session.port = kInvalidPort;
  return closed ? 1 : 0;
}

bool ChangeDevSettings(Session& session, int mode) {
  if (!session.held) return false;
  Port& port = ActivePort();
  LineSettings settings;
  if (!port.GetState(session.port, &settings)) return false;
  if (mode == 0) ApplyBusSettings(&settings, kMarkParity);
  if (mode == 1) ApplyBusSettings(&settings, kSpaceParity);
  // Any other mode writes the settings back as read, except a parity the
  // port cannot have been given: that one is what this session applied.
  if (!KnownParity(settings.parity)) settings.parity = session.parity;
  if (!port.SetState(session.port, settings)) return false;
  session.parity = settings.parity;
  if (!port.SetupQueues(session.port, kQueueSize, kQueueSize)) return false;
  return true;
}

bool DevInit(const char* digits) { return DevInit(CurrentSession(), digits); }
int DevClose() { return DevClose(CurrentSession()); }
bool ChangeDevSettings(int mode) { return ChangeDevSettings(CurrentSession(), mode); }

bool SetDecimalLength(const char* text) {
  CurrentSession().decimal_length = text ? text : "";
  return true;
}

bool TwoDecimals() { return CurrentSession().decimal_length == "2"; }

bool PortHeld(const Session& session) { return session.held; }
bool PortHeld() { return PortHeld(CurrentSession()); }

void PurgePort(Session& session) { PurgePortWith(session, kPurgeFlags); }

void PurgePortWith(Session& session, std::uint32_t flags) {
  if (session.held) ActivePort().Purge(session.port, flags);
}

bool WritePort(Session& session, const std::uint8_t* data, std::uint32_t count) {
  if (!session.held) return false;
  PurgePort(session);
  return ActivePort().Write(session.port, data, count);
}

bool ReadPort(Session& session, std::uint8_t* data, std::uint32_t count) {
  return ReadFor(session, data, count, 200, 200, 200);
}

bool ReadPortFast(Session& session, std::uint8_t* data, std::uint32_t count) {
  return ReadFor(session, data, count, 5, 3, 0);
}

void PurgePort() { PurgePort(CurrentSession()); }
void PurgePortWith(std::uint32_t flags) { PurgePortWith(CurrentSession(), flags); }
bool WritePort(const std::uint8_t* data, std::uint32_t count) {
  return WritePort(CurrentSession(), data, count);
}
bool ReadPort(std::uint8_t* data, std::uint32_t count) {
  return ReadPort(CurrentSession(), data, count);
}
bool ReadPortFast(std::uint8_t* data, std::uint32_t count) {
  return ReadPortFast(CurrentSession(), data, count);
}

}  // namespace icbus
