// A simulator on COM1 and a runner for exchanges with the terminal
// administration exports: each call's result and exactly its frames.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "sim_process.h"

namespace icbus::e2e {

using Frames = std::vector<std::string>;

// One call and what it must cause: its result and the frames of the wire log
// that follow it, in order, with nothing after them.
struct Step {
  const char* name;
  std::function<int()> call;
  int result;
  Frames frames;
};

class AdminTest : public ::testing::Test {
 protected:
  explicit AdminTest(const std::string& config = "") : sim_(config), com1_(1, sim_.link()) {}
  void SetUp() override { ASSERT_TRUE(sim_.running()) << "icbus-sim did not start"; }

  // Runs the steps in turn and checks each one's result and frames.
  void Run(const std::vector<Step>& steps);
  // What device `number` (the first is 1) holds now, as the simulator
  // reports it; null when it did not.
  nlohmann::json Held(int number) const;

  SimProcess sim_;
  PortMapping com1_;
};

}  // namespace icbus::e2e
