#include "link/session.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "icbus.h"
#include "link/clock.h"
#include "link/failure_text.h"
#include "link/last_error.h"

namespace icbus {
namespace {

thread_local Session* t_bound = nullptr;

// The fixed time-outs of ReadPort, in milliseconds.
constexpr std::uint32_t kReplyInterval = 200;
constexpr std::uint32_t kReplyMultiplier = 200;
constexpr std::uint32_t kReplyConstant = 200;
// A line quiet this long after a reply's "!" has nothing more to say (the
// poll's interval: some UARTs hand on bytes in bursts a few ms apart).
constexpr std::uint32_t kTailGapMs = 5;

bool FastRepliesFromEnvironment() {
  const char* value = std::getenv("ICBUS_FAST_REPLIES");
  return value && std::strcmp(value, "1") == 0;
}

// Read once, when the library loads.
[[maybe_unused]] const bool g_environment_read = [] {
  DefaultSession().fast_replies = FastRepliesFromEnvironment();
  return true;
}();

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

bool HasBang(const std::uint8_t* data, std::uint32_t count) {
  return std::find(data, data + count, '!') != data + count;
}

// The outcome of one reply read, kept for the messages and the trace.
bool ReadDone(Session& session, std::uint64_t started, const std::uint8_t* data,
              std::uint32_t count, bool ok, std::uint32_t received, std::uint64_t wait_ms) {
  TraceRead(session, started, data, count, received, ok);
  session.last_received = received;
  session.last_wait_ms = static_cast<std::uint32_t>(wait_ms);
  if (ok && session.settle_ms > 0 && !HasBang(data, received)) session.unsettled = true;
  if (ok) return true;
  if (!session.held) {
    RecordNotOpen();
  } else {
    RecordError(ICBUS_ERR_TRANSFER, "reading from " + session.label + " failed");
  }
  return false;
}

bool ReadFor(Session& session, std::uint8_t* data, std::uint32_t count, std::uint32_t interval,
             std::uint32_t multiplier, std::uint32_t constant) {
  Timeouts wanted;
  wanted.read_interval = interval;
  wanted.read_multiplier = multiplier;
  wanted.read_constant = constant;
  std::uint32_t received = 0;
  const std::uint64_t started = TraceStart();
  bool ok = ReadWithTimeouts(session, data, count, wanted, &received);
  return ReadDone(session, started, data, count, ok, received,
                  std::uint64_t{multiplier} * count + constant);
}

// A device that missed its read's time-out may still be answering, and the
// compatible frames carry nothing that would tell its late reply from the
// answer to the next frame. So the line is watched, and what comes on it read
// off and dropped, until it has been quiet for the settle time. A line that
// never falls quiet is given up on after the settle time and one second more:
// that is noise, not a late answer, and the purge and the reply test deal
// with it as without the wait.
void SettleLine(Session& session) {
  session.unsettled = false;
  Clock& clock = ActiveClock();
  const std::uint64_t settle = std::uint64_t{session.settle_ms} * 1000;
  const std::uint64_t start = clock.NowMicros();
  const std::uint64_t give_up = start + settle + 1'000'000;
  std::uint64_t quiet_at = start + settle;
  std::string dropped;
  for (;;) {
    const std::uint64_t now = clock.NowMicros();
    if (now >= quiet_at || now >= give_up) break;
    Timeouts wanted;
    wanted.read_constant =
        static_cast<std::uint32_t>((std::min(quiet_at, give_up) - now + 999) / 1000);
    std::uint8_t byte = 0;
    std::uint32_t received = 0;
    if (!ReadWithTimeouts(session, &byte, 1, wanted, &received)) break;
    if (received == 0) continue;
    dropped.push_back(static_cast<char>(byte));
    quiet_at = clock.NowMicros() + settle;
  }
  TraceSettle(session, start, dropped);
}

const char* ModeText(int mode) {
  switch (mode) {
    case 0:
      return " for address mode (mark parity)";
    case 1:
      return " for data mode (space parity)";
    default:
      return "";
  }
}

// Why Open failed, in the words of the backend.
void RecordOpenFailure(const std::string& digits, const std::string& device) {
  OpenFailureNote note = TakeOpenFailure();
  std::string reason = note.reason.empty() ? "the port is not there" : note.reason;
  std::string label = PortLabel(digits, device);
  switch (note.kind) {
    case OpenFailure::kHeldHere:
      RecordError(ICBUS_ERR_PORT_HELD, label + " is held by another bus of this program");
      return;
    case OpenFailure::kHeldElsewhere:
      RecordError(ICBUS_ERR_PORT_BUSY, label + " is held by another process");
      return;
    case OpenFailure::kCannotOpen:
      break;
  }
  std::string named = digits.empty() ? device : device + " (port " + digits + ")";
  RecordError(ICBUS_ERR_PORT_OPEN, "cannot open " + named + ": " + reason);
}

bool ApplyMode(Session& session, int mode) {
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
  return port.SetupQueues(session.port, kQueueSize, kQueueSize);
}

}  // namespace

void RecordNotOpen() {
  RecordError(ICBUS_ERR_NOT_OPEN,
              "no port is open: this call works on the port a download, the swipe monitor or "
              "icDevInit holds");
}

Session& DefaultSession() {
  static Session session;
  return session;
}

Session& CurrentSession() { return t_bound ? *t_bound : DefaultSession(); }

SessionScope::SessionScope(Session& session) : previous_(t_bound) { t_bound = &session; }

SessionScope::~SessionScope() { t_bound = previous_; }

std::string PortDigits(int port) { return port >= 1 ? std::to_string(port) : std::string(); }

bool DevInit(Session& session, const char* digits) {
  if (!ValidDigits(digits)) {
    RecordBadArgument(Quoted(digits ? digits : "") + " is not a port number (1 to 999)");
    return false;
  }
  if (session.held) {
    RecordError(
        ICBUS_ERR_PORT_HELD,
        session.label + " is held by a record download or the swipe monitor of this program");
    return false;
  }
  Port& port = ActivePort();
  std::string name = session.device.empty() ? std::string("COM") + digits : session.device;
  std::string shown_digits = session.device.empty() ? digits : "";
  std::string device = port.DeviceOf(name.c_str());
  PortId id = port.Open(name.c_str());
  if (id == kInvalidPort) {
    RecordOpenFailure(shown_digits, device);
    return false;
  }
  session.label = PortLabel(shown_digits, device);
  LineSettings settings;
  bool ok = port.GetState(id, &settings);
  if (ok) {
    ApplyBusSettings(&settings, kNoParity);
    ok = port.SetState(id, settings) && port.SetupQueues(id, kQueueSize, kQueueSize);
  }
  if (!ok) {
    RecordError(ICBUS_ERR_LINE_SETTINGS,
                session.label + " refused the line settings (19200 baud, 8 data bits, no parity)");
    port.Close(id);
    return false;
  }
  session.port = id;
  session.held = true;
  session.parity = kNoParity;
  TraceOpen(session);
  return true;
}

int DevClose(Session& session) {
  if (!session.held) {
    RecordNotOpen();
    return 0;
  }
  Port& port = ActivePort();
  port.Purge(session.port, kPurgeFlags);
  bool closed = port.Close(session.port);
  TraceClose(session);
  session.held = false;
  session.port = kInvalidPort;
  if (!closed) RecordError(ICBUS_ERR_TRANSFER, "closing " + session.label + " failed");
  return closed ? 1 : 0;
}

bool ChangeDevSettings(Session& session, int mode) {
  if (!session.held) {
    RecordNotOpen();
    return false;
  }
  if (!ApplyMode(session, mode)) {
    RecordError(ICBUS_ERR_LINE_SETTINGS,
                session.label + " refused the line settings" + ModeText(mode));
    return false;
  }
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
  if (!session.held) {
    RecordNotOpen();
    return false;
  }
  if (session.unsettled && session.settle_ms > 0) SettleLine(session);
  PurgePort(session);
  const std::uint64_t started = TraceStart();
  bool written = ActivePort().Write(session.port, data, count);
  TraceWrite(session, started, data, count, written);
  if (written) return true;
  RecordError(ICBUS_ERR_TRANSFER, "writing to " + session.label + " failed");
  return false;
}

bool ReadPort(Session& session, std::uint8_t* data, std::uint32_t count) {
  return ReadFor(session, data, count, kReplyInterval, kReplyMultiplier, kReplyConstant);
}

bool ReadPortFast(Session& session, std::uint8_t* data, std::uint32_t count) {
  return ReadFor(session, data, count, 5, 3, 0);
}

// Byte by byte, each read bounded by what is left of ReadPort's limits: the
// whole read may take 200 x n + 200 ms, and once a byte has arrived a gap of
// more than 200 ms ends it. So silence and a reply that stops short cost
// exactly what they cost ReadPort, and a reply that fills the read ends as
// it does there; only a complete reply shorter than the read returns early.
// Bytes that follow its "!" at once (noise, a second answer) are read off
// into the rest of the buffer until the line has been quiet for kTailGapMs:
// left on their way, they would arrive after the purge before the next frame
// and spoil its reply.
bool ReadPortToBang(Session& session, std::uint8_t* data, std::uint32_t count) {
  Clock& clock = ActiveClock();
  const std::uint64_t start = clock.NowMicros();
  const std::uint64_t total_end =
      start + (std::uint64_t{kReplyMultiplier} * count + kReplyConstant) * 1000;
  std::uint64_t last = start;
  bool bang = false;
  std::uint32_t got = 0;
  while (got < count) {
    std::uint64_t end = total_end;
    if (got > 0) {
      end = std::min(end, last + std::uint64_t{bang ? kTailGapMs : kReplyInterval} * 1000);
    }
    const std::uint64_t now = clock.NowMicros();
    if (now >= end) break;
    Timeouts wanted;
    wanted.read_constant = static_cast<std::uint32_t>((end - now + 999) / 1000);
    std::uint32_t received = 0;
    if (!ReadWithTimeouts(session, data + got, 1, wanted, &received)) {
      return ReadDone(session, start, data, count, false, got, 0);
    }
    if (received == 0) break;
    last = clock.NowMicros();
    if (data[got++] == '!') bang = true;
  }
  return ReadDone(session, start, data, count, true, got,
                  std::uint64_t{kReplyMultiplier} * count + kReplyConstant);
}

void EnterSession(Session& session) {
  session.lock.lock();
  if (session.entered++ == 0) {
    session.outer = t_bound;
    t_bound = &session;
  }
}

// A leave without its enter (or on another thread) changes nothing.
void LeaveSession(Session& session) {
  if (!session.lock.HeldByMe() || session.entered == 0) return;
  if (--session.entered == 0) {
    t_bound = session.outer;
    session.outer = nullptr;
  }
  session.lock.unlock();
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
