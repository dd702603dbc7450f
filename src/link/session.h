// The port session: the port the library holds on one bus, its line settings
// for address and data mode, and the byte primitives with their fixed
// time-outs. Each bus has a session of its own; the C exports all work on
// the one process-wide default session, so a host sees one port at a time.
#pragma once
#include <cstdint>
#include <string>

#include "link/api_lock.h"
#include "link/port.h"

namespace icbus {

struct Session {
  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The open port. Unlike a bare handle variable, `held` says whether it is
  // really open, so a second open can refuse instead of losing the first.
  PortId port = kInvalidPort;
  bool held = false;
  // The parity this session last applied (kNoParity right after the open).
  std::uint8_t parity = kNoParity;
  // A device this session opens whatever port number a call names ("" for
  // "COM" + the number): a device path, or a Windows device name.
  std::string device;
  // The decimal setting of SetDecLen: exactly "2" selects hundredths.
  std::string decimal_length;
  // Serialises the calls on this bus.
  FairLock lock;
};

// The process-wide session of the C exports.
Session& DefaultSession();
// The session the calling thread works on: the one bound by the innermost
// SessionScope, else the default session.
Session& CurrentSession();

// Binds a session to the calling thread for the life of the object.
class SessionScope {
 public:
  explicit SessionScope(Session& session);
  ~SessionScope();
  SessionScope(const SessionScope&) = delete;
  SessionScope& operator=(const SessionScope&) = delete;

 private:
  Session* previous_;
};

// Link operations behind the exports of the same name, on a given session
// and on the current one.
bool DevInit(Session& session, const char* digits);  // icDevInit
int DevClose(Session& session);                      // icDevClose
bool ChangeDevSettings(Session& session, int mode);  // ChangeicDevSettings: 0 address, 1 data
bool DevInit(const char* digits);
int DevClose();
bool ChangeDevSettings(int mode);
bool SetDecimalLength(const char* text);  // SetDecLen

// True when the decimal setting is exactly "2" (amounts in hundredths).
bool TwoDecimals();

// True while the session holds an open port (a transaction, a download
// session or the monitor). A second DevInit then fails and leaves it alone.
bool PortHeld(const Session& session);
bool PortHeld();

// The port number as the digits DevInit takes; empty for numbers below 1.
std::string PortDigits(int port);

// Byte primitives on the held port.
constexpr std::uint32_t kPurgeFlags = 11;  // TXABORT | RXABORT | RXCLEAR
constexpr std::uint32_t kQueueSize = 1024;
constexpr std::uint32_t kBaudRate = 19200;

void PurgePort(Session& session);
void PurgePortWith(Session& session, std::uint32_t flags);
bool WritePort(Session& session, const std::uint8_t* data, std::uint32_t count);
bool ReadPort(Session& session, std::uint8_t* data, std::uint32_t count);      // 200/200/200 ms
bool ReadPortFast(Session& session, std::uint8_t* data, std::uint32_t count);  // 5/3/0 ms
void PurgePort();
void PurgePortWith(std::uint32_t flags);
bool WritePort(const std::uint8_t* data, std::uint32_t count);
bool ReadPort(std::uint8_t* data, std::uint32_t count);
bool ReadPortFast(std::uint8_t* data, std::uint32_t count);

}  // namespace icbus
