#include "scripted_device.h"

namespace icbus::test {

ScriptedDevice& ScriptedDevice::On(sim::Mode mode, const std::string& frame,
                                   const std::string& reply) {
  script_[{mode, frame}] = reply;
  return *this;
}

std::optional<sim::Reply> ScriptedDevice::Answer(const sim::Frame& frame) {
  if (frame.mode == sim::Mode::kAddress && frame.bytes.rfind("SA", 0) == 0) selected_ = false;
  auto it = script_.find({frame.mode, frame.bytes});
  if (it == script_.end()) return std::nullopt;
  if (frame.mode == sim::Mode::kAddress && it->second == "OK!") selected_ = true;
  return sim::Reply{it->second, 0};
}

}  // namespace icbus::test
