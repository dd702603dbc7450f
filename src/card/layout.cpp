#include "card/layout.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/amount.h"

namespace icbus::card {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

const char kHexDigits[] = "0123456789ABCDEF";

// Largest amount any field can hold, with room to spare; beyond it the
// products lose their whole-number precision.
constexpr double kMaxYuan = 1e9;

}  // namespace

bool IsBlockText(const std::string& text) {
  if (text.size() != kBlockChars) return false;
  for (char c : text)
    if (HexValue(c) < 0) return false;
  return true;
}

std::optional<std::uint32_t> GetNumber(const std::string& block, int first, int width) {
  if (first < 0 || width < 1 || width > 4) return std::nullopt;
  std::size_t end = static_cast<std::size_t>(first + width) * 2;
  if (block.size() < end) return std::nullopt;
  std::uint32_t value = 0;
  for (int byte = first + width - 1; byte >= first; --byte) {
    int high = HexValue(block[static_cast<std::size_t>(byte) * 2]);
    int low = HexValue(block[static_cast<std::size_t>(byte) * 2 + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    value = (value << 8) | static_cast<std::uint32_t>(high << 4 | low);
  }
  return value;
}

std::string SetNumber(std::string block, int first, int width, std::uint32_t value) {
  for (int byte = first; byte < first + width; ++byte) {
    std::size_t at = static_cast<std::size_t>(byte) * 2;
    if (block.size() < at + 2) block.resize(at + 2, '0');
    block[at] = kHexDigits[(value >> 4) & 0xF];
    block[at + 1] = kHexDigits[value & 0xF];
    value >>= 8;
  }
  return block;
}

std::optional<std::uint32_t> GetCardNumber(const std::string& block) {
  if (block.size() < 6) return std::nullopt;
  int high = HexValue(block[5]);
  auto low16 = GetNumber(block, 0, 2);
  if (high < 0 || !low16) return std::nullopt;
  return static_cast<std::uint32_t>(high) << 16 | *low16;
}

std::string SetCardNumber(std::string block, std::uint32_t number) {
  block = SetNumber(std::move(block), 0, 2, number & 0xFFFF);
  if (block.size() < 6) block.resize(6, '0');
  block[4] = '6';
  block[5] = kHexDigits[(number >> 16) & 0xF];
  return block;
}

std::optional<std::string> GetPassword(const std::string& block, std::size_t at) {
  if (block.size() < at + 6) return std::nullopt;
  const std::size_t order[] = {1, 0, 3, 2, 5};
  std::string digits;
  for (std::size_t i : order) {
    char c = block[at + i];
    if (c < '0' || c > '9') return std::nullopt;
    digits.push_back(c);
  }
  return digits;
}

std::string SetPassword(std::string block, std::size_t at, const std::string& digits) {
  if (block.size() < at + 6) block.resize(at + 6, '0');
  const char stored[] = {digits[1], digits[0], digits[3], digits[2], '0', digits[4]};
  for (std::size_t i = 0; i < 6; ++i) block[at + i] = stored[i];
  return block;
}

std::optional<std::uint32_t> ParseCardNumber(const char* text) {
  if (!text || !*text || std::strlen(text) > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(*p - '0');
  }
  if (value > kMaxCardNumber) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

bool IsPassword(const char* text) {
  if (!text || std::strlen(text) != 5) return false;
  for (const char* p = text; *p; ++p)
    if (*p < '0' || *p > '9') return false;
  return true;
}

Layout LayoutFor(bool two_decimals) {
  if (two_decimals) return Layout{true, 3, 999999, 13, 3, 12, 18};
  return Layout{false, 2, 65535, 11, 2, 26, 32};
}

std::optional<std::int64_t> ScaledUnits(double yuan, int scale, bool round_up) {
  const auto max_units = static_cast<std::int64_t>(kMaxYuan) * scale;
  return YuanToUnits(yuan, scale, round_up ? Rounding::kUp : Rounding::kTruncate, max_units);
}

std::optional<std::int64_t> PurseUnits(double yuan, bool two_decimals, int mode) {
  if (two_decimals) {
    auto thousandths = ScaledUnits(yuan, 1000, false);
    if (!thousandths) return std::nullopt;
    return *thousandths / 10;
  }
  if (mode != 0 && mode != 1) return std::nullopt;
  return ScaledUnits(yuan, mode == 0 ? 10 : 100, false);
}

}  // namespace icbus::card
