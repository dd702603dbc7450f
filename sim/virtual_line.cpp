#include "virtual_line.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>

#include "link/session.h"

namespace icbus::sim {

VirtualLine::VirtualLine() { SetLocalTime(LocalTime{2026, 1, 1, 8, 0, 0}); }

VirtualLine::~VirtualLine() = default;

Bus& VirtualLine::bus(int number) { return buses_[number]; }

void VirtualLine::SetLocalTime(const LocalTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  local_base_ = static_cast<long long>(timegm(&tm)) - static_cast<long long>(now_ / 1'000'000);
}

LocalTime VirtualLine::Local() {
  std::time_t seconds = static_cast<std::time_t>(local_base_ + static_cast<long long>(now_ / 1'000'000));
  std::tm tm{};
  gmtime_r(&seconds, &tm);
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::vector<std::string> VirtualLine::HostFrames() const {
  std::vector<std::string> frames;
  for (const WireEntry& entry : log_) {
    if (entry.direction == '>') frames.push_back(std::string(1, static_cast<char>(entry.mode)) + " " + entry.bytes);
  }
  return frames;
}

bool VirtualLine::Fails(PortOp op, std::uint8_t parity, std::string bytes) {
  PortCall call{op, call_counts_[op]++, parity, std::move(bytes)};
  return fail_when && fail_when(call);
}

Mode VirtualLine::CurrentMode() const {
  switch (settings_.parity) {
    case kMarkParity: return Mode::kAddress;
    case kSpaceParity: return Mode::kData;
    default: return Mode::kNone;
  }
}

PortId VirtualLine::Open(const char* name) {
  if (Fails(PortOp::kOpen)) {
    NoteOpenFailure(OpenFailure::kCannotOpen, "the virtual line refused the open");
    return kInvalidPort;
  }
  if (open_port_ != 0) {
    NoteOpenFailure(OpenFailure::kHeldHere, "the virtual line has a port open");
    return kInvalidPort;
  }
  int number = name && std::strncmp(name, "COM", 3) == 0 ? std::atoi(name + 3) : 0;
  if (number < 1 || buses_.find(number) == buses_.end()) {
    NoteOpenFailure(OpenFailure::kCannotOpen, "no bus on this port of the virtual line");
    return kInvalidPort;
  }
  open_port_ = number;
  ++opens_;
  settings_ = LineSettings{};
  settings_.parity = kNoParity;
  // What arrived while the port was closed is lost; an answer still on its
  // way (a terminal that answers late) comes in after the open, as on a
  // real line.
  input_.erase(std::remove_if(input_.begin(), input_.end(),
                              [this](const Arrival& a) { return a.micros <= now_; }),
               input_.end());
  return number;
}

bool VirtualLine::GetState(PortId port, LineSettings* settings) {
  if (!Valid(port) || Fails(PortOp::kGetState)) return false;
  *settings = settings_;
  return true;
}

bool VirtualLine::SetState(PortId port, const LineSettings& settings) {
  if (!Valid(port) || Fails(PortOp::kSetState, settings.parity)) return false;
  settings_ = settings;
  return true;
}

bool VirtualLine::SetupQueues(PortId port, std::uint32_t, std::uint32_t) {
  return Valid(port) && !Fails(PortOp::kSetupQueues);
}

bool VirtualLine::GetTimeouts(PortId port, Timeouts* timeouts) {
  if (!Valid(port) || Fails(PortOp::kGetTimeouts)) return false;
  *timeouts = timeouts_;
  return true;
}

bool VirtualLine::SetTimeouts(PortId port, const Timeouts& timeouts) {
  if (!Valid(port) || Fails(PortOp::kSetTimeouts)) return false;
  timeouts_ = timeouts;
  return true;
}

bool VirtualLine::Purge(PortId port, std::uint32_t flags) {
  if (!Valid(port) || Fails(PortOp::kPurge)) return false;
  purges_.push_back(flags);
  if (flags & kPurgeRxClear) {
    // Only what has already arrived is in the driver's queue; a late answer
    // still comes in afterwards.
    input_.erase(std::remove_if(input_.begin(), input_.end(),
                                [this](const Arrival& a) { return a.micros <= now_; }),
                 input_.end());
  }
  return true;
}

bool VirtualLine::Write(PortId port, const std::uint8_t* data, std::uint32_t count) {
  std::string bytes(reinterpret_cast<const char*>(data), count);
  if (!Valid(port) || Fails(PortOp::kWrite, settings_.parity, bytes)) return false;
  Mode mode = CurrentMode();
  log_.push_back(WireEntry{now_, '>', mode, bytes});
  now_ += WireMicros(count);
  for (const Frame& frame : assemblers_[open_port_].Push(bytes, mode)) {
    auto reply = buses_[open_port_].Deliver(frame);
    if (reply && !reply->bytes.empty()) Arrive(reply->bytes, reply->delay_ms);
  }
  return true;
}

// Bytes that fit into a quiet stretch of the line arrive at their own time,
// also before an answer that was sent earlier but is due later (a late
// answer and a prompt one to the next frame); bytes that would overlap what
// is on its way follow it instead.
void VirtualLine::Arrive(const std::string& bytes, std::uint32_t after_ms) {
  std::uint64_t start = now_ + std::uint64_t{after_ms} * 1000;
  const std::uint64_t end = start + WireMicros(bytes.size());
  auto next = std::find_if(input_.begin(), input_.end(),
                           [start](const Arrival& a) { return a.micros > start; });
  bool before_free = next == input_.begin() || std::prev(next)->micros + WireMicros(1) <= start;
  bool after_free = next == input_.end() || next->micros - WireMicros(1) >= end;
  if (!before_free || !after_free) {
    if (!input_.empty()) start = std::max(start, input_.back().micros + WireMicros(1));
    next = input_.end();
  }
  log_.push_back(WireEntry{start, '<', Mode::kNone, bytes});
  std::deque<Arrival> burst;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    burst.push_back(Arrival{start + WireMicros(i + 1), bytes[i]});
  }
  input_.insert(next, burst.begin(), burst.end());
}

// Windows read time-outs: the read ends when `count` bytes are in, when the
// gap after a byte exceeds the interval, or when the total bound has passed.
bool VirtualLine::Read(PortId port, std::uint8_t* data, std::uint32_t count,
                       std::uint32_t* received) {
  *received = 0;
  if (!Valid(port) || Fails(PortOp::kRead)) return false;
  constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();
  const std::uint64_t start = now_;
  const std::uint64_t total =
      std::uint64_t{timeouts_.read_multiplier} * count + timeouts_.read_constant;
  const std::uint64_t deadline = total ? start + total * 1000 : kNever;
  const std::uint64_t interval = std::uint64_t{timeouts_.read_interval} * 1000;
  std::uint64_t last = start;
  ReadCall call{count, timeouts_, {}};
  while (*received < count && !input_.empty()) {
    std::uint64_t at = std::max(input_.front().micros, start);
    if (at > deadline) break;
    if (interval && *received > 0 && at - last > interval) break;
    data[(*received)++] = static_cast<std::uint8_t>(input_.front().byte);
    call.bytes.push_back(input_.front().byte);
    input_.pop_front();
    last = at;
  }
  std::uint64_t end = last;
  if (*received < count) {
    end = deadline;
    if (interval && *received > 0) end = std::min(end, last + interval);
    if (end == kNever) end = last;
  }
  now_ = std::max(now_, end);
  reads_.push_back(call);
  return true;
}

bool VirtualLine::Close(PortId port) {
  if (!Valid(port) || Fails(PortOp::kClose)) return false;
  open_port_ = 0;
  ++closes_;
  return true;
}

ScopedVirtualLine::ScopedVirtualLine() {
  UsePort(&line_);
  UseClock(&line_);
}

ScopedVirtualLine::~ScopedVirtualLine() {
  // A test that left the port held must not leak it into the next one.
  DevClose();
  UsePort(nullptr);
  UseClock(nullptr);
}

}  // namespace icbus::sim
