// A port between the library and the virtual line that keeps every call in
// order: writes with the parity they went out with, and reads with the bytes
// they delivered, so a reply can be put together from the reads that follow
// the frame it answers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "link/port.h"

namespace icbus::fuzz {

struct PortEvent {
  enum class Kind { kOpen, kClose, kWrite, kRead, kOther };
  Kind kind = Kind::kOther;
  bool ok = false;
  std::uint8_t parity = kNoParity;  // kWrite: the line's parity
  std::string bytes;                // kWrite: sent; kRead: delivered
};

class PortRecorder final : public Port {
 public:
  explicit PortRecorder(Port& line) : line_(line) {}
  const std::vector<PortEvent>& events() const { return events_; }

  PortId Open(const char* name) override;
  bool GetState(PortId port, LineSettings* settings) override;
  bool SetState(PortId port, const LineSettings& settings) override;
  bool SetupQueues(PortId port, std::uint32_t in, std::uint32_t out) override;
  bool GetTimeouts(PortId port, Timeouts* timeouts) override;
  bool SetTimeouts(PortId port, const Timeouts& timeouts) override;
  bool Purge(PortId port, std::uint32_t flags) override;
  bool Write(PortId port, const std::uint8_t* data, std::uint32_t count) override;
  bool Read(PortId port, std::uint8_t* data, std::uint32_t count, std::uint32_t* received) override;
  bool Close(PortId port) override;

 private:
  Port& line_;
  std::uint8_t parity_ = kNoParity;
  std::vector<PortEvent> events_;
};

// The replies in events [from, end): the bytes of the reads between one
// write and the next, each reply as the library's buffer sees it.
std::vector<std::string> RepliesSince(const std::vector<PortEvent>& events, std::size_t from);
// The text a reply carries to the library: up to its first NUL, cut at its
// first "!"; nothing when no "!" comes before a NUL.
bool ReplyText(const std::string& reply, std::string* text);

}  // namespace icbus::fuzz
