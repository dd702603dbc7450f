// The card layout: fields inside the 32-character block text of a 16-byte
// card block, and their encodings. Pure functions, no I/O.
//
// Byte i of a block is characters 2i and 2i+1 (0-based) of its text, high
// nibble first. Multi-byte numbers are little-endian. Every getter checks
// the characters it converts and gives nothing for a field that is not
// hexadecimal (a short reply padded with blanks, say), so that nothing is
// ever computed from a field that could not be read.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace icbus::card {

constexpr std::size_t kBlockChars = 32;
constexpr std::uint32_t kMaxCardNumber = 1048575;  // 20 bits

// True for exactly 32 hexadecimal characters.
bool IsBlockText(const std::string& text);

// Unsigned little-endian field of `width` bytes starting at byte `first`.
std::optional<std::uint32_t> GetNumber(const std::string& block, int first, int width);
// The block with that field replaced (upper-case hex); other characters kept.
std::string SetNumber(std::string block, int first, int width, std::uint32_t value);

// Card number in bytes 0-2: low byte, middle byte, then the marker nibble 6
// and the high nibble. The marker is not checked on reading.
std::optional<std::uint32_t> GetCardNumber(const std::string& block);
std::string SetCardNumber(std::string block, std::uint32_t number);

// Five-digit password stored from character `at`: the digits p1..p5 are
// padded with a 0 into the pairs (p1 p2)(p3 p4)(p5 0), each written with its
// digits swapped: p2 p1 p4 p3 0 p5.
std::optional<std::string> GetPassword(const std::string& block, std::size_t at);
std::string SetPassword(std::string block, std::size_t at, const std::string& digits);

// A decimal card number text 0..1048575 (digits only).
std::optional<std::uint32_t> ParseCardNumber(const char* text);
// Exactly five decimal digits.
bool IsPassword(const char* text);

// Where the fields lie, chosen by the decimal setting on every call.
struct Layout {
  bool two_decimals;
  int balance_width;             // bytes, from byte 5
  std::uint32_t balance_max;
  int max_consume_first, max_consume_width;
  std::size_t password_at;       // character of the password in its block
  std::size_t password_write_chars;  // characters a password write sends
};
Layout LayoutFor(bool two_decimals);

constexpr int kAddCountByte = 3;
constexpr int kBalanceByte = 5;
constexpr int kMaxCcByte = 0;

// Amounts: yuan to units by multiplying and truncating toward zero, a binary
// rounding artefact just below a whole unit counting as that unit (1.15 yuan
// is 115 hundredths). Nothing for amounts that are negative, not finite or
// absurdly large.
// Two decimals: (amount x 1000, truncated) / 10, in hundredths.
// One decimal: amount x 10 (mode 0) or x 100 (mode 1), truncated.
std::optional<std::int64_t> PurseUnits(double yuan, bool two_decimals, int mode);
// x `scale`, truncated; rounded up to the next unit when a fraction is left
// and `round_up` is set.
std::optional<std::int64_t> ScaledUnits(double yuan, int scale, bool round_up);

}  // namespace icbus::card
