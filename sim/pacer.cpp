#include "pacer.h"

#include <algorithm>

namespace icbus::sim {

Pacer::Clock::duration Pacer::ByteTime(unsigned bits, unsigned baud) {
  if (baud == 0) return Clock::duration::zero();
  auto nanos = std::chrono::nanoseconds(std::uint64_t{bits} * 1000000000u / baud);
  return std::chrono::duration_cast<Clock::duration>(nanos);
}

void Pacer::Queue(const std::string& bytes, Clock::duration byte_time, Clock::time_point now) {
  // A byte arrives when its last bit has; the next one starts right after.
  Clock::time_point at = std::max(now, line_free_);
  for (char byte : bytes) {
    at += byte_time;
    waiting_.push_back({at, byte});
  }
  line_free_ = at;
}

std::string Pacer::TakeDue(Clock::time_point now) {
  std::string due;
  while (!waiting_.empty() && waiting_.front().due <= now) {
    due.push_back(waiting_.front().byte);
    waiting_.pop_front();
  }
  return due;
}

std::optional<Pacer::Clock::time_point> Pacer::NextDue() const {
  if (waiting_.empty()) return std::nullopt;
  return waiting_.front().due;
}

}  // namespace icbus::sim
