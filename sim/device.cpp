#include "device.h"

namespace icbus::sim {

std::optional<Reply> Device::Hear(const Frame& frame) {
  return ApplyFaults(frame, Answer(frame));
}

// A fault changes the answer to the frames it names; the device's own state
// has already moved on, as a real terminal's would when its reply is lost.
std::optional<Reply> Device::ApplyFaults(const Frame& frame, std::optional<Reply> reply) {
  for (Fault& fault : faults_) {
    if (fault.count == 0 || frame.bytes.rfind(fault.frame_prefix, 0) != 0) continue;
    if (!reply && fault.kind != Fault::Kind::kWrongWord) continue;
    if (fault.after > 0) {
      --fault.after;
      continue;
    }
    if (fault.count > 0) --fault.count;
    if (!reply) reply = Reply{};
    std::string& bytes = reply->bytes;
    switch (fault.kind) {
      case Fault::Kind::kSilence: return std::nullopt;
      case Fault::Kind::kNoBang:
        if (!bytes.empty() && bytes.back() == '!') bytes.pop_back();
        break;
      case Fault::Kind::kZeroBeforeBang:
        if (!bytes.empty() && bytes.back() == '!') bytes.insert(bytes.size() - 1, 1, '\0');
        break;
      case Fault::Kind::kWrongWord: bytes = fault.text + "!"; break;
      case Fault::Kind::kExtraBytes: bytes += fault.text; break;
      case Fault::Kind::kDelay: reply->delay_ms += fault.delay_ms; break;
    }
    return reply;
  }
  return reply;
}

}  // namespace icbus::sim
