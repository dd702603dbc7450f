// The desktop card writer: spoken to at no parity, without addressing.
// It keeps the sector key that the host loads into it.
#pragma once
#include <string>

#include "device.h"

namespace icbus::sim {

struct CardWriterConfig {
  std::string key = "FFFFFFFFFFFF";
};

class CardWriter : public Device {
 public:
  explicit CardWriter(const CardWriterConfig& config) : state_(config) {}
  // The writer answers every frame at no parity; it is never "selected".
  bool Selected() const override { return false; }
  std::string Describe() const override { return "card writer (key " + state_.key + ")"; }
  const CardWriterConfig& state() const { return state_; }

 protected:
  std::optional<Reply> Answer(const Frame& frame) override;

 private:
  CardWriterConfig state_;
};

}  // namespace icbus::sim
