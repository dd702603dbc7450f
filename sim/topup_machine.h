// The self-service top-up machine: selected with its machine number and
// management card number, it takes top-up orders (one raw 109-byte frame
// starting with "L") and keeps them.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device.h"

namespace icbus::sim {

struct TopUpOrder {
  std::uint32_t card = 0;
  int mode = 0;                 // 0 overwrite the balance, 1 add
  int tenths = 0;               // amount in tenths of a yuan
  std::string time;             // "yymmddhhnn" from the BCD bytes
  std::array<std::array<std::uint8_t, 32>, 3> cells{};
  bool marker_ok = false;       // the card number's high byte carried the 6
};

// Decodes an order frame; false when it is not 109 bytes starting with "L".
bool DecodeOrder(const std::string& frame, TopUpOrder* order);
// The three cells as 16 lines of text art ("#" ink, "." paper), side by side.
std::string CellsAsArt(const TopUpOrder& order);

struct TopUpMachineConfig {
  int machine = 1;
  int management_card = 0;
};

class TopUpMachine : public Device {
 public:
  explicit TopUpMachine(const TopUpMachineConfig& config) : config_(config) {}
  bool Selected() const override { return selected_; }
  std::string Describe() const override;
  const std::vector<TopUpOrder>& orders() const { return orders_; }
  const TopUpMachineConfig& config() const { return config_; }

 protected:
  std::optional<Reply> Answer(const Frame& frame) override;

 private:
  TopUpMachineConfig config_;
  bool selected_ = false;
  std::vector<TopUpOrder> orders_;
};

}  // namespace icbus::sim
