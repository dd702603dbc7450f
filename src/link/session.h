// The port session: the port the library holds on one bus, its line settings
// for address and data mode, and the byte primitives with their fixed
// time-outs. Each bus has a session of its own; the C exports all work on
// the one process-wide default session, so a host sees one port at a time.
#pragma once
#include <cstdint>
#include <string>

#include "link/api_lock.h"
#include "link/port.h"
#include "link/trace.h"

namespace icbus {

// The last block a read-modify-write card operation sent to the writer: the
// block text it read and the one the card should hold after the write (the
// text as sent, on top of what it does not cover). A write whose answer was
// lost can then be read back to learn whether it took. `failure_code` and
// `failure_message` keep why the write failed, if it did.
struct CardWriteRecord {
  bool sent = false;
  int port = 0;
  int sector = 0;
  int block = 0;
  std::string before;
  std::string after;
  int failure_code = 0;
  std::string failure_message;
};

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
  // The port this session opened last, for messages: "port 2 (/dev/ttyS1)".
  std::string label;
  // The last reply read: bytes received, and how long the read could wait
  // for them (its total time-out).
  std::uint32_t last_received = 0;
  std::uint32_t last_wait_ms = 0;
  // This session's own wire trace (beside the process-wide one), if any.
  TraceSink trace;
  // Replies end at their "!" instead of at the read time-out.
  bool fast_replies = false;
  // How long the line must have been quiet, after a reply that never came
  // whole, before the next frame goes out (0: no wait); `unsettled` marks
  // such a reply until the wait has been made.
  std::uint32_t settle_ms = 0;
  bool unsettled = false;
  // While a thread has entered the session (EnterSession): how often, and
  // the session that thread was bound to before. Touched only by the holder
  // of `lock`.
  unsigned entered = 0;
  Session* outer = nullptr;
  // Cleared by every read-modify-write card operation, set as its write
  // goes out.
  CardWriteRecord last_card_write;
  // The decimal setting of SetDecLen: exactly "2" selects hundredths.
  std::string decimal_length;
  // Serialises the calls on this bus.
  FairLock lock;
};

// The process-wide session of the C exports. ICBUS_FAST_REPLIES=1 in the
// environment when the library loads turns its fast replies on.
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

// Takes the session's lock and binds the session to the calling thread until
// the matching LeaveSession (for callers that cannot keep a SessionScope,
// such as the C interface). Calls nest.
void EnterSession(Session& session);
void LeaveSession(Session& session);

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

// Records that a call needs a held port and there is none.
void RecordNotOpen();

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
bool ReadPort(Session& session, std::uint8_t* data, std::uint32_t count);  // 200/200/200 ms
bool ReadPortFast(Session& session, std::uint8_t* data, std::uint32_t count);  // 5/3/0 ms
// ReadPort's time-outs, but the read also ends as soon as a "!" has arrived;
// bytes after it stay queued until the next purge.
bool ReadPortToBang(Session& session, std::uint8_t* data, std::uint32_t count);

// The longest settle time a session takes, in milliseconds.
constexpr std::uint32_t kMaxSettleMs = 60000;

void PurgePort();
void PurgePortWith(std::uint32_t flags);
bool WritePort(const std::uint8_t* data, std::uint32_t count);
bool ReadPort(std::uint8_t* data, std::uint32_t count);
bool ReadPortFast(std::uint8_t* data, std::uint32_t count);

}  // namespace icbus
