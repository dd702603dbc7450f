// The multi-drop bus: frames in address mode (and at no parity) reach every
// device, frames in data mode only the selected ones. Replies that overlap in
// time collide on the line.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device.h"

namespace icbus::sim {

struct WireEntry {
  std::uint64_t micros = 0;
  char direction = '>';  // '>' host to devices, '<' devices to host
  Mode mode = Mode::kNone;
  std::string bytes;
};

class Bus {
 public:
  Device& Add(std::unique_ptr<Device> device);
  template <class T> T& Add(std::unique_ptr<T> device) {
    T& ref = *device;
    Add(std::unique_ptr<Device>(std::move(device)));
    return ref;
  }
  // Hands one complete frame to the devices; returns what reaches the host.
  std::optional<Reply> Deliver(const Frame& frame);
  const std::vector<std::unique_ptr<Device>>& devices() const { return devices_; }

 private:
  std::vector<std::unique_ptr<Device>> devices_;
};

// Cuts the host's byte stream into frames: a frame ends at "!" or when the
// ninth-bit mode changes in the middle of one.
class FrameAssembler {
 public:
  // Returns the frames completed by these bytes.
  std::vector<Frame> Push(const std::string& bytes, Mode mode);
  // Whatever is pending without its "!" (a cut frame), emptied.
  std::optional<Frame> Flush();

 private:
  Frame pending_;
};

}  // namespace icbus::sim
