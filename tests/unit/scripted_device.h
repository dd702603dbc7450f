// A device that answers exactly the frames a test gives it, so the engine's
// courses can be tested apart from any terminal model.
#pragma once
#include <deque>
#include <map>
#include <vector>
#include <string>
#include <utility>

#include "device.h"

namespace icbus::test {

class ScriptedDevice : public sim::Device {
 public:
  // Answers `frame` heard in `mode` with `reply` (bytes as they go on the line).
  ScriptedDevice& On(sim::Mode mode, const std::string& frame, const std::string& reply);
  // Answers `frame` with each reply in turn; the last one then repeats.
  ScriptedDevice& OnEach(sim::Mode mode, const std::string& frame,
                         std::vector<std::string> replies);
  // How often `frame` was heard in `mode`.
  int Heard(sim::Mode mode, const std::string& frame) const;
  // Frames in data mode reach this device once it has answered an address frame.
  bool Selected() const override { return selected_; }
  std::string Describe() const override { return "scripted device"; }

 protected:
  std::optional<sim::Reply> Answer(const sim::Frame& frame) override;

 private:
  std::map<std::pair<sim::Mode, std::string>, std::deque<std::string>> script_;
  std::map<std::pair<sim::Mode, std::string>, int> heard_;
  bool selected_ = false;
};

}  // namespace icbus::test
