// A device on the simulated bus: it hears frames with their ninth-bit mode
// and may answer with bytes after a delay.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace icbus::sim {

enum class Mode : char { kAddress = 'M', kData = 'S', kNone = 'N' };

struct Frame {
  std::string bytes;
  Mode mode = Mode::kNone;
};

struct Reply {
  std::string bytes;
  std::uint32_t delay_ms = 0;
};

// Faults a device can be told to commit when it answers a frame that starts
// with `frame_prefix` (empty: any frame). `count` < 0 means every time; the
// first `after` such answers go out unspoilt (a terminal that breaks down
// in the middle of a download).
struct Fault {
  enum class Kind { kSilence, kNoBang, kZeroBeforeBang, kWrongWord, kExtraBytes, kDelay };
  Kind kind = Kind::kSilence;
  std::string frame_prefix;
  int count = -1;
  int after = 0;
  std::uint32_t delay_ms = 0;  // kDelay
  std::string text;            // kWrongWord: the reply text; kExtraBytes: the bytes added
};

class Device {
 public:
  virtual ~Device() = default;
  // Every device hears frames sent in address mode and frames at no parity.
  // Frames in data mode reach a device only while it is selected.
  std::optional<Reply> Hear(const Frame& frame);
  virtual bool Selected() const = 0;
  virtual std::string Describe() const = 0;
  void AddFault(const Fault& fault) { faults_.push_back(fault); }
  void ClearFaults() { faults_.clear(); }

 protected:
  virtual std::optional<Reply> Answer(const Frame& frame) = 0;

 private:
  std::optional<Reply> ApplyFaults(const Frame& frame, std::optional<Reply> reply);
  std::vector<Fault> faults_;
};

}  // namespace icbus::sim
