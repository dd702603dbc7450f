#include "card/purse.h"

#include <cstdint>

#include "card/course.h"
#include "card/layout.h"
#include "link/refusal.h"
#include "link/session.h"

namespace icbus::card {
namespace {

// The amount mode picks the unit of the one-decimal balance: 0 tenths,
// 1 hundredths. The two-decimal balance is always in hundredths.
double UnitOf(const Layout& layout, int mode) {
  return layout.two_decimals || mode == 1 ? 0.01 : 0.1;
}

bool ModeKnown(const Layout& layout, int mode) {
  return layout.two_decimals || mode == 0 || mode == 1;
}

// CardNo as read, AddCount advanced (65535 wraps to 0), the new balance, and
// the rest of the block as read.
std::string WithBalance(const std::string& block, const Layout& layout, std::uint32_t count,
                        std::int64_t balance) {
  std::string changed = SetNumber(block, kAddCountByte, 2, (count + 1) & 0xFFFF);
  return SetNumber(changed, kBalanceByte, layout.balance_width,
                   static_cast<std::uint32_t>(balance));
}

// Reads the purse fields; both must be card data before any change.
struct Purse {
  std::uint32_t count, balance;
};
std::optional<Purse> PurseOf(const std::string& block, const Layout& layout) {
  auto count = GetNumber(block, kAddCountByte, 2);
  auto balance = GetNumber(block, kBalanceByte, layout.balance_width);
  if (!count || !balance) return std::nullopt;
  return Purse{*count, *balance};
}

Refusal BadMode(int mode) {
  return Refusal("balance mode " + std::to_string(mode) + " is not 0 (tenths) or 1 (hundredths)");
}

Refusal BadAmount(const Layout& layout, double amount, int mode) {
  if (!ModeKnown(layout, mode)) return BadMode(mode);
  return Refusal("the amount " + std::to_string(amount) +
                 " yuan is not an amount of 0 yuan or more in the card's unit");
}

}  // namespace

double ReadBalance(int port, int sector, int block, int mode) {
  const Layout layout = LayoutFor(TwoDecimals());
  if (!ModeKnown(layout, mode)) return Refuse(-1.0, BadMode(mode));
  std::string text;
  if (ReadOrBeep(port, sector, block, &text) != kOk) return -1.0;
  auto balance = GetNumber(text, kBalanceByte, layout.balance_width);
  if (!balance) {
    Sound(port, Beep::kFailure);
    return -1.0;
  }
  Sound(port, Beep::kSuccess);
  return static_cast<double>(*balance) * UnitOf(layout, mode);
}

// `kind` (top-up or refund) is the host's own bookkeeping; the card does not
// record it.
int Increase(int port, int /*kind*/, int sector, int block, double amount, int mode) {
  const Layout layout = LayoutFor(TwoDecimals());
  auto units = PurseUnits(amount, layout.two_decimals, mode);
  if (!units) return RefuseValue(BadAmount(layout, amount, mode));
  return ReadModifyWrite(port, sector, block, Beep::kFailure, [&](const std::string& text) {
    auto purse = PurseOf(text, layout);
    if (!purse) return Edit::Stop(kBlockFailed);
    std::int64_t balance = std::int64_t{purse->balance} + *units;
    if (balance > std::int64_t{layout.balance_max}) return Edit::Stop(kOutOfRange);
    return Edit::Write(WithBalance(text, layout, purse->count, balance));
  });
}

// A cancel zeroes AddCount and the balance; it too needs an amount the
// balance covers (the console passes 0).
int Decrease(int port, int cancel, int sector, int block, double amount, int mode) {
  const Layout layout = LayoutFor(TwoDecimals());
  auto units = PurseUnits(amount, layout.two_decimals, mode);
  if (!units) return RefuseValue(BadAmount(layout, amount, mode));
  return ReadModifyWrite(port, sector, block, Beep::kFailure, [&](const std::string& text) {
    auto purse = PurseOf(text, layout);
    if (!purse) return Edit::Stop(kBlockFailed);
    std::int64_t balance = std::int64_t{purse->balance} - *units;
    if (balance < 0) return Edit::Stop(kOutOfRange);
    if (cancel) {
      std::string changed = SetNumber(text, kAddCountByte, 2, 0);
      return Edit::Write(SetNumber(changed, kBalanceByte, layout.balance_width, 0));
    }
    return Edit::Write(WithBalance(text, layout, purse->count, balance));
  });
}

}  // namespace icbus::card
