// One top-up order to a self-service top-up machine: card, mode, amount,
// time, and the holder's name as glyph cells, in one 109-byte frame.
#pragma once
#include <array>
#include <cstdint>
#include <optional>

#include "link/clock.h"

namespace icbus::topup {

constexpr std::size_t kOrderLength = 109;
constexpr std::size_t kNameOffset = 13;
constexpr int kMaxPieces = 3;
using Order = std::array<std::uint8_t, kOrderLength>;

// The order frame, or nothing when a value does not fit its field (card
// number above 20 bits, amounts below 0 or of 6553.6 yuan and more, modes
// outside 0..65535, no name, a name piece that cannot be drawn).
std::optional<Order> BuildOrder(int card, int mode, double amount, const char* name,
                                const LocalTime& now);

// True when every piece of `name` an order would carry can be drawn (blank
// pieces need no font); false for a null name or a piece no font can draw.
bool NameDrawable(const char* name);

int TransmitAtm(int port, int machine, int card, int mode, double amount, const char* name,
                int management_card);

}  // namespace icbus::topup
