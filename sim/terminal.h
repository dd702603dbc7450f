// A bus terminal (window, attendance, timer, ...): answers its address
// frames and the terminal commands it knows.
#pragma once
#include <string>

#include "device.h"

namespace icbus::sim {

struct TerminalConfig {
  int machine = 1;
  int management_card = 0;
  std::string clock = "20260101080000";
  int records = 0;
};

class Terminal : public Device {
 public:
  explicit Terminal(const TerminalConfig& config) : state_(config) {}
  bool Selected() const override { return selected_; }
  std::string Describe() const override;
  const TerminalConfig& state() const { return state_; }
  TerminalConfig& state() { return state_; }

 protected:
  std::optional<Reply> Answer(const Frame& frame) override;

 private:
  std::optional<Reply> AnswerAddress(const std::string& text);
  std::optional<Reply> AnswerData(const std::string& text);
  TerminalConfig state_;
  bool selected_ = false;
};

}  // namespace icbus::sim
