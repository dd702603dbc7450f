#include "topup/glyphs.h"

#include <atomic>
#include <cstdlib>

namespace icbus::topup {
namespace {
std::atomic<Rasteriser*> g_rasteriser{nullptr};
}  // namespace

GlyphCell PackCell(const std::function<bool(int column, int row)>& ink) {
  GlyphCell cell{};
  for (int column = 0; column < kCellSize; ++column) {
    unsigned word = 0;
    for (int row = 0; row < kCellSize; ++row)
      if (ink(column, row)) word |= 1u << row;
    cell[static_cast<std::size_t>(column)] = static_cast<std::uint8_t>(word & 0xFF);
    cell[static_cast<std::size_t>(16 + column)] = static_cast<std::uint8_t>(word >> 8);
  }
  return cell;
}

bool CellInk(const GlyphCell& cell, int column, int row) {
  std::uint8_t byte = cell[static_cast<std::size_t>((row < 8 ? 0 : 16) + column)];
  return (byte >> (row % 8)) & 1;
}

Rasteriser& ActiveRasteriser() {
  Rasteriser* rasteriser = g_rasteriser.load();
  return rasteriser ? *rasteriser : SystemRasteriser();
}

std::string FontFileSetting() {
  const char* value = std::getenv("ICBUS_FONT");
  return value ? value : "";
}

void UseRasteriser(Rasteriser* rasteriser) { g_rasteriser.store(rasteriser); }

}  // namespace icbus::topup
