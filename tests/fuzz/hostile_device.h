// The device on the fuzzed line: it hears every frame, in any mode, and
// answers each with the next answer of the fuzzer's stream: silence, bytes
// without "!", NUL bytes, kilobytes of junk, replies that come late or in
// two pieces with a pause between.
#pragma once
#include <memory>
#include <optional>
#include <string>

#include "fuzz_input.h"
#include "sim/device.h"
#include "sim/virtual_line.h"

namespace icbus::fuzz {

class HostileDevice final : public sim::Device {
 public:
  HostileDevice(AnswerReader* answers, sim::VirtualLine* line) : answers_(answers), line_(line) {}
  bool Selected() const override { return true; }
  std::string Describe() const override { return "hostile device"; }

 protected:
  // Queues the answer on the line itself (a split answer is two arrivals)
  // and returns nothing for the bus to add.
  std::optional<sim::Reply> Answer(const sim::Frame& frame) override;

 private:
  AnswerReader* answers_;
  sim::VirtualLine* line_;
};

// Stands in for the hostile device while seed inputs are made: a real device
// model answers, and each answer (silence too) goes into the answer stream,
// one for every frame the hostile device would hear.
class RecordingDevice final : public sim::Device {
 public:
  RecordingDevice(std::unique_ptr<sim::Device> real, AnswerWriter* answers)
      : real_(std::move(real)), answers_(answers) {}
  bool Selected() const override { return true; }
  std::string Describe() const override { return "recorded " + real_->Describe(); }

 protected:
  std::optional<sim::Reply> Answer(const sim::Frame& frame) override;

 private:
  std::unique_ptr<sim::Device> real_;
  AnswerWriter* answers_;
};

}  // namespace icbus::fuzz
