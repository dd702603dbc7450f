#include "bus.h"

#include <algorithm>

namespace icbus::sim {

Device& Bus::Add(std::unique_ptr<Device> device) {
  devices_.push_back(std::move(device));
  return *devices_.back();
}

std::optional<Reply> Bus::Deliver(const Frame& frame) {
  std::vector<Reply> replies;
  for (auto& device : devices_) {
    if (frame.mode == Mode::kData && !device->Selected()) continue;
    if (auto reply = device->Hear(frame)) replies.push_back(*reply);
  }
  if (replies.empty()) return std::nullopt;
  if (replies.size() == 1) return replies.front();
  // Several devices driving the line at once: the receiver sees the bytes
  // ANDed together (a driven 0 wins on the bus), which garbles the text.
  Reply collided = replies.front();
  for (std::size_t i = 1; i < replies.size(); ++i) {
    const std::string& other = replies[i].bytes;
    collided.delay_ms = std::min(collided.delay_ms, replies[i].delay_ms);
    if (other.size() > collided.bytes.size()) collided.bytes.resize(other.size(), '\xff');
    for (std::size_t k = 0; k < other.size(); ++k) collided.bytes[k] &= other[k];
  }
  return collided;
}

std::vector<Frame> FrameAssembler::Push(const std::string& bytes, Mode mode) {
  std::vector<Frame> frames;
  for (char byte : bytes) {
    if (!pending_.bytes.empty() && pending_.mode != mode) {
      frames.push_back(pending_);
      pending_.bytes.clear();
    }
    pending_.mode = mode;
    pending_.bytes.push_back(byte);
    if (byte == '!') {
      frames.push_back(pending_);
      pending_.bytes.clear();
    }
  }
  return frames;
}

std::optional<Frame> FrameAssembler::Flush() {
  if (pending_.bytes.empty()) return std::nullopt;
  Frame frame = pending_;
  pending_.bytes.clear();
  return frame;
}

}  // namespace icbus::sim
