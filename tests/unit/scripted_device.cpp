#include "scripted_device.h"

namespace icbus::test {

ScriptedDevice& ScriptedDevice::On(sim::Mode mode, const std::string& frame,
                                   const std::string& reply) {
  script_[{mode, frame}] = {reply};
  return *this;
}

ScriptedDevice& ScriptedDevice::OnEach(sim::Mode mode, const std::string& frame,
                                       std::vector<std::string> replies) {
  script_[{mode, frame}] = std::deque<std::string>(replies.begin(), replies.end());
  return *this;
}

int ScriptedDevice::Heard(sim::Mode mode, const std::string& frame) const {
  auto it = heard_.find({mode, frame});
  return it == heard_.end() ? 0 : it->second;
}

std::optional<sim::Reply> ScriptedDevice::Answer(const sim::Frame& frame) {
  if (frame.mode == sim::Mode::kAddress && frame.bytes.rfind("SA", 0) == 0) selected_ = false;
  ++heard_[{frame.mode, frame.bytes}];
  auto it = script_.find({frame.mode, frame.bytes});
  if (it == script_.end() || it->second.empty()) return std::nullopt;
  std::string reply = it->second.front();
  if (it->second.size() > 1) it->second.pop_front();
  if (frame.mode == sim::Mode::kAddress && reply == "OK!") selected_ = true;
  return sim::Reply{reply, 0};
}

}  // namespace icbus::test
