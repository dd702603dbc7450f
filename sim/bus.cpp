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
  // Several devices drive the line at once. They never start in the same bit
  // time, so each further device's bits arrive a bit later than the first's;
  // a driven 0 wins on the line, and the receiver sees the bytes ANDed
  // together. Even identical answers arrive garbled.
  Reply collided = replies.front();
  for (std::size_t i = 1; i < replies.size(); ++i) {
    const std::string& other = replies[i].bytes;
    collided.delay_ms = std::min(collided.delay_ms, replies[i].delay_ms);
    if (other.size() > collided.bytes.size()) collided.bytes.resize(other.size(), '\xff');
    const unsigned skew = static_cast<unsigned>(i % 7) + 1;
    for (std::size_t k = 0; k < other.size(); ++k) {
      auto byte = static_cast<unsigned char>(other[k]);
      auto late = static_cast<unsigned char>((byte << skew) | (0xffu >> (8 - skew)));
      collided.bytes[k] = static_cast<char>(static_cast<unsigned char>(collided.bytes[k]) & late);
    }
  }
  return collided;
}

// A top-up order is raw bytes of a fixed length that may contain "!"; every
// other frame is text ending in "!".
constexpr char kOrderLetter = 'L';
constexpr std::size_t kOrderLength = 109;

std::vector<Frame> FrameAssembler::Push(const std::string& bytes, Mode mode) {
  std::vector<Frame> frames;
  for (char byte : bytes) {
    if (!pending_.bytes.empty() && pending_.mode != mode) {
      frames.push_back(pending_);
      pending_.bytes.clear();
    }
    pending_.mode = mode;
    pending_.bytes.push_back(byte);
    const bool order = mode == Mode::kData && pending_.bytes[0] == kOrderLetter;
    if (order ? pending_.bytes.size() == kOrderLength : byte == '!') {
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
