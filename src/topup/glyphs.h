// Glyph cells for the top-up machine, which has no Chinese fonts: each
// double-byte character of a name is drawn on the host into a 16 x 16 cell.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace icbus::topup {

constexpr int kCellSize = 16;
// Column by column: byte c holds rows 0-7 of column c, byte 16 + c rows
// 8-15; bit 0 is the topmost row of each half. A set bit is ink.
using GlyphCell = std::array<std::uint8_t, 32>;

// Packs a 16 x 16 picture into a cell; `ink(column, row)` tells a black pixel.
GlyphCell PackCell(const std::function<bool(int column, int row)>& ink);
bool CellInk(const GlyphCell& cell, int column, int row);

// Draws one GBK double-byte character in a song-style face at 16 pixels,
// black on white from the top-left corner. False (and an empty cell) when it
// cannot be drawn: no font, or bytes that are not a GBK character.
class Rasteriser {
 public:
  virtual ~Rasteriser() = default;
  virtual bool Draw(const char gbk[2], GlyphCell* cell) = 0;
};

// GDI on Windows, FreeType with a fontconfig-found face elsewhere; the font
// file in the environment variable ICBUS_FONT instead when it is set (read
// once, at the first use).
Rasteriser& SystemRasteriser();
// A rasteriser drawing with the face of one font file (face 0 of a
// collection); it draws nothing when the file cannot be loaded.
std::unique_ptr<Rasteriser> FontFileRasteriser(const char* path);
// The value of ICBUS_FONT, empty when unset.
std::string FontFileSetting();
Rasteriser& ActiveRasteriser();
void UseRasteriser(Rasteriser* rasteriser);  // nullptr: the system one

}  // namespace icbus::topup
