// A minimal PNG writer (8-bit RGB, stored deflate blocks): enough for the
// console's screenshots without an image library.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace icbus::wine {

// `rgb` holds width x height pixels, three bytes each, rows top to bottom.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace icbus::wine
