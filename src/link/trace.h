// The wire trace: for real hardware, where no simulator keeps a log, every
// frame the library writes and every reply read, with its direction, parity
// mode and time stamp, in the simulator's notation (common/wire_text.h):
//   # at 1234567        when the write began, in the clock's microseconds
//   > M SA005!          (monotonic, as the simulator's --stamps)
//   # at 1236789        when the read began
//   < N OK!             what it brought
//   # read 3 of 4 bytes in 202 ms, time-out
// Off unless asked for: ICBUS_TRACE=stderr or ICBUS_TRACE=/path/file when the
// library loads (the file is appended to), icbus_set_trace_file, or a
// session's own sink (the C++ Bus's trace callback).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace icbus {

struct Session;

// The wire log's letter for a parity: M mark (address mode), S space (data
// mode), N anything else.
char WireMode(std::uint8_t parity);

// One line at a time, without its line end.
using TraceSink = std::function<void(const std::string& line)>;

// The process-wide trace: "stderr", a file path, or empty for none. False
// when the file cannot be opened (the trace is then off).
bool SetTraceTarget(const std::string& target);

void TraceOpen(Session& session);
void TraceClose(Session& session);
// The clock's time for a write or read about to begin.
std::uint64_t TraceStart();
void TraceWrite(Session& session, std::uint64_t started, const std::uint8_t* data,
                std::uint32_t count, bool ok);
// A reply read: the bytes that came, of how many asked for, and how it ended.
void TraceRead(Session& session, std::uint64_t started, const std::uint8_t* data,
               std::uint32_t count, std::uint32_t received, bool ok);
// The wait for a quiet line after a time-out, and what it dropped.
void TraceSettle(Session& session, std::uint64_t started, const std::string& dropped);

}  // namespace icbus
