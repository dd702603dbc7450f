#include "port_recorder.h"

namespace icbus::fuzz {

PortId PortRecorder::Open(const char* name) {
  PortId id = line_.Open(name);
  events_.push_back(PortEvent{PortEvent::Kind::kOpen, id != kInvalidPort, kNoParity, {}});
  if (id != kInvalidPort) parity_ = kNoParity;
  return id;
}

bool PortRecorder::GetState(PortId port, LineSettings* settings) {
  return line_.GetState(port, settings);
}

bool PortRecorder::SetState(PortId port, const LineSettings& settings) {
  bool ok = line_.SetState(port, settings);
  if (ok) parity_ = settings.parity;
  return ok;
}

bool PortRecorder::SetupQueues(PortId port, std::uint32_t in, std::uint32_t out) {
  return line_.SetupQueues(port, in, out);
}

bool PortRecorder::GetTimeouts(PortId port, Timeouts* timeouts) {
  return line_.GetTimeouts(port, timeouts);
}

bool PortRecorder::SetTimeouts(PortId port, const Timeouts& timeouts) {
  return line_.SetTimeouts(port, timeouts);
}

bool PortRecorder::Purge(PortId port, std::uint32_t flags) { return line_.Purge(port, flags); }

bool PortRecorder::Write(PortId port, const std::uint8_t* data, std::uint32_t count) {
  bool ok = line_.Write(port, data, count);
  events_.push_back(PortEvent{PortEvent::Kind::kWrite, ok, parity_,
                              std::string(reinterpret_cast<const char*>(data), count)});
  return ok;
}

bool PortRecorder::Read(PortId port, std::uint8_t* data, std::uint32_t count,
                        std::uint32_t* received) {
  bool ok = line_.Read(port, data, count, received);
  events_.push_back(
      PortEvent{PortEvent::Kind::kRead, ok, parity_,
                ok ? std::string(reinterpret_cast<const char*>(data), *received) : std::string()});
  return ok;
}

bool PortRecorder::Close(PortId port) {
  bool ok = line_.Close(port);
  events_.push_back(PortEvent{PortEvent::Kind::kClose, ok, parity_, {}});
  return ok;
}

std::vector<std::string> RepliesSince(const std::vector<PortEvent>& events, std::size_t from) {
  std::vector<std::string> replies;
  bool open = false;
  for (std::size_t i = from; i < events.size(); ++i) {
    const PortEvent& event = events[i];
    if (event.kind == PortEvent::Kind::kWrite) {
      open = false;
    } else if (event.kind == PortEvent::Kind::kRead && event.ok) {
      if (!open) replies.emplace_back();
      open = true;
      replies.back() += event.bytes;
    }
  }
  return replies;
}

bool ReplyText(const std::string& reply, std::string* text) {
  std::size_t end = reply.find('\0');
  std::size_t bang = reply.find('!');
  if (bang == std::string::npos || bang > end) return false;
  *text = reply.substr(0, bang);
  return true;
}

}  // namespace icbus::fuzz
