// Bytes towards the host at the pace of a serial line. A pty hands a whole
// reply over at once, which a real line cannot: each byte takes its start
// bit, data bits, ninth bit and stop bit, so a reply reaches the host over
// a span of time and a read that waits for it sees what a UART would show.
#pragma once
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace icbus::sim {

class Pacer {
 public:
  using Clock = std::chrono::steady_clock;

  // Time one byte of `bits` bits occupies the line at `baud`.
  static Clock::duration ByteTime(unsigned bits, unsigned baud);

  // Queues `bytes` behind those still waiting; each takes `byte_time` on
  // the line, starting no earlier than `now`. A zero byte time hands them
  // over at once.
  void Queue(const std::string& bytes, Clock::duration byte_time, Clock::time_point now);
  // Removes and returns the bytes whose last bit has left by `now`.
  std::string TakeDue(Clock::time_point now);
  // When the next byte is due; nothing when none waits.
  std::optional<Clock::time_point> NextDue() const;

 private:
  struct Timed {
    Clock::time_point due;
    char byte;
  };
  std::deque<Timed> waiting_;
  Clock::time_point line_free_{};
};

}  // namespace icbus::sim
