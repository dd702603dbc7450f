// The console core on the virtual line, with a recording fake view: a
// scripted terminal (machine 1, as Edit38 starts) on port 1.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "demo/console.h"
#include "demo/fake_view.h"
#include "icbus.h"
#include "scripted_device.h"
#include "sim/virtual_line.h"

namespace icbus::test {

using Frames = std::vector<std::string>;
using Messages = std::vector<Shown>;

inline Shown Info(const std::string& text) { return {text, demo::Icon::kInformation}; }
inline Shown Error(const std::string& text) { return {text, demo::Icon::kError}; }

class ConsoleTest : public ::testing::Test {
 protected:
  ConsoleTest() {
    device_ = &line_->bus(1).Add(std::make_unique<ScriptedDevice>());
    device_->On(sim::Mode::kAddress, "SA001!", "OK!");
    line_->SetLocalTime(LocalTime{2026, 1, 2, 3, 4, 5});
    SetDecLen("");
  }
  ~ConsoleTest() override { SetDecLen(""); }

  void Click(const std::string& control) { console_.Click(control); }
  // Frames sent since the last Reset.
  Frames frames() const {
    Frames all = line_->HostFrames();
    return Frames(all.begin() + static_cast<long>(std::min(mark_, all.size())), all.end());
  }
  // Address frame, one data frame and the closing frame for machine 1.
  static Frames Exchange(const std::string& command) {
    return {"M SA001!", "S " + command, "S SZ!"};
  }
  // Forgets what was sent and shown so far.
  void Reset() {
    mark_ = line_->HostFrames().size();
    view_.messages.clear();
    view_.asked.clear();
    view_.confirmed.clear();
  }

  sim::ScopedVirtualLine line_;
  ScriptedDevice* device_;
  FakeView view_;
  demo::Console console_{&view_};
  std::size_t mark_ = 0;
};

}  // namespace icbus::test
