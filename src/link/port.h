// The serial port as the library sees it: exactly the calls the link layer
// makes, so the protocol code never touches an OS handle. One backend per
// file (win32, posix, and the virtual line used by the tests).
#pragma once
#include <cstdint>
#include <string>

namespace icbus {

using PortId = std::intptr_t;
constexpr PortId kInvalidPort = -1;

// Parity codes as the Windows device control block numbers them.
enum Parity : std::uint8_t { kNoParity = 0, kMarkParity = 3, kSpaceParity = 4 };
enum StopBits : std::uint8_t { kOneStopBit = 0 };

// The line settings the library changes. `native` carries the backend's own
// control block untouched, so fields the library does not own (flow control,
// the parity-checking flag, ...) are written back exactly as they were read.
struct LineSettings {
  std::uint32_t baud_rate = 0;
  std::uint8_t byte_size = 8;
  std::uint8_t parity = kNoParity;
  std::uint8_t stop_bits = kOneStopBit;
  bool binary = true;
  alignas(8) unsigned char native[64] = {};
};

// Windows COMMTIMEOUTS semantics, in milliseconds: a read ends when the gap
// between two bytes exceeds `read_interval`, or when
// `read_multiplier` x n + `read_constant` has passed in all.
struct Timeouts {
  std::uint32_t read_interval = 0;
  std::uint32_t read_multiplier = 0;
  std::uint32_t read_constant = 0;
  std::uint32_t write_multiplier = 0;
  std::uint32_t write_constant = 0;
};

enum PurgeFlag : std::uint32_t {
  kPurgeTxAbort = 1,
  kPurgeRxAbort = 2,
  kPurgeTxClear = 4,
  kPurgeRxClear = 8,
};

class Port {
 public:
  virtual ~Port() = default;
  // `name` is "COM" followed by the port number's digits. A backend that
  // fails tells why with NoteOpenFailure.
  virtual PortId Open(const char* name) = 0;
  // The device `name` stands for, as a person would look for it (on Linux
  // the path ICBUS_COM<n> or /dev/ttyS<n-1>).
  virtual std::string DeviceOf(const char* name) { return name ? name : ""; }
  virtual bool GetState(PortId port, LineSettings* settings) = 0;
  virtual bool SetState(PortId port, const LineSettings& settings) = 0;
  virtual bool SetupQueues(PortId port, std::uint32_t in, std::uint32_t out) = 0;
  virtual bool GetTimeouts(PortId port, Timeouts* timeouts) = 0;
  virtual bool SetTimeouts(PortId port, const Timeouts& timeouts) = 0;
  virtual bool Purge(PortId port, std::uint32_t flags) = 0;
  // Returns only when the bytes have left the port: a purge or a parity
  // change right after a write must not cut the frame short.
  virtual bool Write(PortId port, const std::uint8_t* data, std::uint32_t count) = 0;
  // Reads up to `count` bytes under the current time-outs; a time-out is not
  // a failure. `*received` gets the number of bytes read.
  virtual bool Read(PortId port, std::uint8_t* data, std::uint32_t count,
                    std::uint32_t* received) = 0;
  virtual bool Close(PortId port) = 0;
};

// Why the calling thread's last Open failed, as the backend saw it.
enum class OpenFailure { kCannotOpen, kHeldHere, kHeldElsewhere };
struct OpenFailureNote {
  OpenFailure kind = OpenFailure::kCannotOpen;
  std::string reason;  // the system's words ("No such file or directory")
};
void NoteOpenFailure(OpenFailure kind, const std::string& reason);
// The note of the last failed Open on this thread, and clears it.
OpenFailureNote TakeOpenFailure();

// The operating system's serial ports (win32 or posix, chosen at build time).
Port& SystemPort();

// The backend every link operation uses. Tests install the virtual line;
// passing nullptr restores the system backend.
Port& ActivePort();
void UsePort(Port* port);

}  // namespace icbus
