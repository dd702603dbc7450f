#include "topup_machine.h"

#include <cstdio>
#include <cstdlib>

namespace icbus::sim {
namespace {

constexpr std::size_t kOrderLength = 109;
constexpr std::size_t kNameOffset = 13;

bool AllDigits(const std::string& text) {
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return !text.empty();
}

std::string Bcd(std::uint8_t byte) {
  char text[4];
  std::snprintf(text, sizeof text, "%X%X", byte >> 4, byte & 0xF);
  return text;
}

}  // namespace

bool DecodeOrder(const std::string& frame, TopUpOrder* order) {
  if (frame.size() != kOrderLength || frame[0] != 'L') return false;
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(frame[i]); };
  order->card = byte(1) | byte(2) << 8 | (byte(3) & 0x0F) << 16;
  order->marker_ok = (byte(3) & 0xF0) == 0x60;
  order->mode = byte(4) | byte(5) << 8;
  order->tenths = byte(6) | byte(7) << 8;
  order->time.clear();
  for (std::size_t i = 8; i < 13; ++i) order->time += Bcd(byte(i));
  for (std::size_t cell = 0; cell < 3; ++cell)
    for (std::size_t i = 0; i < 32; ++i) order->cells[cell][i] = byte(kNameOffset + cell * 32 + i);
  return true;
}

std::string CellsAsArt(const TopUpOrder& order) {
  std::string art;
  for (int row = 0; row < 16; ++row) {
    for (const auto& cell : order.cells) {
      for (int column = 0; column < 16; ++column) {
        std::uint8_t byte = cell[static_cast<std::size_t>((row < 8 ? 0 : 16) + column)];
        art += (byte >> (row % 8)) & 1 ? '#' : '.';
      }
      art += ' ';
    }
    art.back() = '\n';
  }
  return art;
}

std::string TopUpMachine::Describe() const {
  char text[96];
  std::snprintf(text, sizeof text, "top-up machine %03d (management card %06d), %zu orders",
                config_.machine, config_.management_card, orders_.size());
  return text;
}

std::optional<Reply> TopUpMachine::Answer(const Frame& frame) {
  const std::string& bytes = frame.bytes;
  if (frame.mode == Mode::kAddress && bytes.rfind("SA", 0) == 0 && bytes.back() == '!') {
    std::string digits = bytes.substr(2, bytes.size() - 3);
    selected_ = digits.size() == 9 && AllDigits(digits) &&
                std::atoi(digits.substr(0, 3).c_str()) == config_.machine &&
                std::atoi(digits.substr(3).c_str()) == config_.management_card;
    if (selected_) return Reply{"OK!", 0};
    return std::nullopt;
  }
  if (frame.mode != Mode::kData || !selected_) return std::nullopt;
  if (bytes == "SZ!") {
    selected_ = false;
    return std::nullopt;
  }
  TopUpOrder order;
  if (!DecodeOrder(bytes, &order)) return Reply{"ERR!", 0};
  orders_.push_back(order);
  return Reply{"DONE!", 0};
}

}  // namespace icbus::sim
