#include "link/trace.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "common/wire_text.h"
#include "link/clock.h"
#include "link/port.h"
#include "link/session.h"

namespace icbus {
namespace {

struct ProcessTrace {
  std::mutex mutex;
  std::FILE* file = nullptr;
  bool owned = false;  // opened here (not standard error)
};

ProcessTrace& Process() {
  static ProcessTrace trace;
  return trace;
}

// Read once, when the library loads.
[[maybe_unused]] const bool g_trace_from_environment = [] {
  const char* target = std::getenv("ICBUS_TRACE");
  if (target && *target) SetTraceTarget(target);
  return true;
}();

bool Tracing(const Session& session) {
  if (session.trace) return true;
  ProcessTrace& trace = Process();
  std::lock_guard<std::mutex> lock(trace.mutex);
  return trace.file != nullptr;
}

// The lines of one event go out together.
void Emit(const Session& session, const std::string& lines) {
  if (session.trace) {
    std::size_t start = 0;
    while (start < lines.size()) {
      std::size_t end = lines.find('\n', start);
      session.trace(lines.substr(start, end - start));
      start = end + 1;
    }
  }
  ProcessTrace& trace = Process();
  std::lock_guard<std::mutex> lock(trace.mutex);
  if (!trace.file) return;
  std::fputs(lines.c_str(), trace.file);
  std::fflush(trace.file);
}

std::string Stamp(std::uint64_t micros) {
  return WireNoteLine("at " + std::to_string(micros)) + "\n";
}

std::string Stamp() { return Stamp(ActiveClock().NowMicros()); }

}  // namespace

char WireMode(std::uint8_t parity) {
  switch (parity) {
    case kMarkParity:
      return 'M';
    case kSpaceParity:
      return 'S';
    default:
      return 'N';
  }
}

bool SetTraceTarget(const std::string& target) {
  ProcessTrace& trace = Process();
  std::lock_guard<std::mutex> lock(trace.mutex);
  if (trace.owned) std::fclose(trace.file);
  trace.file = nullptr;
  trace.owned = false;
  if (target.empty()) return true;
  if (target == "stderr") {
    trace.file = stderr;
    return true;
  }
  trace.file = std::fopen(target.c_str(), "a");
  trace.owned = trace.file != nullptr;
  return trace.file != nullptr;
}

void TraceOpen(Session& session) {
  if (Tracing(session)) Emit(session, Stamp() + WireNoteLine("open " + session.label) + "\n");
}

void TraceClose(Session& session) {
  if (Tracing(session)) Emit(session, Stamp() + WireNoteLine("close " + session.label) + "\n");
}

std::uint64_t TraceStart() { return ActiveClock().NowMicros(); }

void TraceWrite(Session& session, std::uint64_t started, const std::uint8_t* data,
                std::uint32_t count, bool ok) {
  if (!Tracing(session)) return;
  std::string bytes(reinterpret_cast<const char*>(data), count);
  std::string lines = Stamp(started) + WireFrameLine('>', WireMode(session.parity), bytes) + "\n";
  if (!ok) lines += WireNoteLine("write failed") + "\n";
  Emit(session, lines);
}

void TraceRead(Session& session, std::uint64_t started, const std::uint8_t* data,
               std::uint32_t count, std::uint32_t received, bool ok) {
  if (!Tracing(session)) return;
  const std::uint64_t took_ms = (ActiveClock().NowMicros() - started) / 1000;
  std::string lines = Stamp(started);
  if (received > 0) {
    std::string bytes(reinterpret_cast<const char*>(data), received);
    lines += WireFrameLine('<', 'N', bytes) + "\n";
  }
  std::string outcome = "read " + std::to_string(received) + " of " + std::to_string(count) +
                        " bytes in " + std::to_string(took_ms) + " ms";
  if (!ok) {
    outcome += ", failed";
  } else if (received < count) {
    bool bang = received > 0 && data[received - 1] == '!';
    outcome += bang && session.fast_replies ? ", ended at its \"!\"" : ", time-out";
  }
  Emit(session, lines + WireNoteLine(outcome) + "\n");
}

void TraceSettle(Session& session, std::uint64_t started, const std::string& dropped) {
  if (!Tracing(session)) return;
  const std::uint64_t took_ms = (ActiveClock().NowMicros() - started) / 1000;
  std::string lines = Stamp(started);
  if (!dropped.empty()) lines += WireFrameLine('<', 'N', dropped) + "\n";
  lines += WireNoteLine("settle: " + std::to_string(dropped.size()) + " late bytes dropped in " +
                        std::to_string(took_ms) + " ms") +
           "\n";
  Emit(session, lines);
}

}  // namespace icbus
