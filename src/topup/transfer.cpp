#include "topup/transfer.h"

#include <cmath>
#include <cstring>
#include <string>

#include "common/amount.h"
#include "icbus.h"
#include "link/engine.h"
#include "link/failure_text.h"
#include "link/last_error.h"
#include "link/refusal.h"
#include "topup/glyphs.h"

namespace icbus::topup {
namespace {

constexpr std::uint32_t kMaxCard = 1048575;
constexpr std::uint8_t kOrderLetter = 'L';

// Two decimal digits as one byte: 30 becomes 0x30.
std::uint8_t Bcd(int value) {
  value %= 100;
  return static_cast<std::uint8_t>((value / 10) << 4 | value % 10);
}

void PutLittleEndian16(Order* order, std::size_t at, std::uint32_t value) {
  (*order)[at] = static_cast<std::uint8_t>(value & 0xFF);
  (*order)[at + 1] = static_cast<std::uint8_t>(value >> 8 & 0xFF);
}

// Pieces of two bytes from the start; a trailing single byte is dropped and
// at most three pieces fit the frame, so a longer name is cut there. A piece
// of two spaces is a blank cell; any other piece that cannot be drawn (no
// font, not a character) fails the name: the machine would show blanks
// where the holder's name belongs.
bool DrawName(const char* name, Order* order) {
  const std::size_t length = std::strlen(name);
  for (int piece = 0; piece < kMaxPieces; ++piece) {
    const std::size_t first = static_cast<std::size_t>(piece) * 2;
    if (first + 1 >= length) break;
    if (name[first] == ' ' && name[first + 1] == ' ') continue;
    GlyphCell cell{};
    if (!ActiveRasteriser().Draw(name + first, &cell)) {
      RecordError(ICBUS_ERR_NAME_UNDRAWABLE,
                  "the top-up name's character " + Quoted(std::string(name + first, 2)) +
                      " cannot be drawn: no font at hand draws it (ICBUS_FONT names a font "
                      "file); nothing was sent");
      return false;
    }
    std::memcpy(order->data() + kNameOffset + first * 16, cell.data(), cell.size());
  }
  return true;
}

}  // namespace

bool NameDrawable(const char* name) {
  if (!name) return false;
  Order scratch{};
  return DrawName(name, &scratch);
}

std::optional<Order> BuildOrder(int card, int mode, double amount, const char* name,
                                const LocalTime& now) {
  if (!name || card < 0 || static_cast<std::uint32_t>(card) > kMaxCard) return std::nullopt;
  if (mode != 0 && mode != 1) return std::nullopt;
  if (!std::isfinite(amount) || amount < 0) return std::nullopt;
  auto tenths = YuanToUnits(amount, 10, Rounding::kTruncate, 0xFFFF);
  if (!tenths) return std::nullopt;
  Order order{};
  const auto number = static_cast<std::uint32_t>(card);
  order[0] = kOrderLetter;
  order[1] = static_cast<std::uint8_t>(number & 0xFF);
  order[2] = static_cast<std::uint8_t>(number >> 8 & 0xFF);
  order[3] = static_cast<std::uint8_t>(0x60 | (number >> 16 & 0x0F));
  PutLittleEndian16(&order, 4, static_cast<std::uint32_t>(mode));
  PutLittleEndian16(&order, 6, static_cast<std::uint32_t>(*tenths));
  order[8] = Bcd(now.year);
  order[9] = Bcd(now.month);
  order[10] = Bcd(now.day);
  order[11] = Bcd(now.hour);
  order[12] = Bcd(now.minute);
  if (!DrawName(name, &order)) return std::nullopt;
  return order;
}

int TransmitAtm(int port, int machine, int card, int mode, double amount, const char* name,
                int management_card) {
  // Check every value before anything is sent; the time is taken again when
  // the frame goes out.
  if (!name) return Refuse(0, Refusal("the holder's name is missing (a null pointer)"));
  if (auto refusal = OutOfRange(card, 0, kMaxCard, "card number")) return Refuse(0, *refusal);
  if (mode != 0 && mode != 1) {
    return Refuse(0, Refusal("money mode " + std::to_string(mode) +
                             " is not 0 (the amount replaces the balance) or 1 (it is added)"));
  }
  if (!BuildOrder(card, mode, amount, name, LocalTime{})) {
    // The name's own failure (a piece no font draws) is recorded where it is found.
    return Refuse(0, Refusal("the amount is not 0 to 6553.5 yuan, or the name cannot be drawn"));
  }
  Command command;
  command.course = Course::kSixDigit;
  command.machine = machine;
  command.card = management_card;
  command.raw = true;
  command.frame_length = kOrderLength;
  command.buffer_size = kOrderLength;
  command.build = [&] {
    Order order = *BuildOrder(card, mode, amount, name, ActiveClock().Local());
    return std::string(order.begin(), order.end());
  };
  command.reply_length = 5;
  command.expect = "DONE";
  command.on_success = WrapUp::kEndTwice;
  return RunCommand(port, command).ok ? 1 : 0;
}

}  // namespace icbus::topup
