#include "terminal/schedules.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/amount.h"
#include "link/failure_text.h"
#include "terminal/rows.h"

namespace icbus::terminal {
namespace {

constexpr char kDone[] = "DONE";
constexpr std::uint32_t kShortAddressReply = 3;  // attendance and timer terminals
constexpr std::size_t kDisplayWidth = 17;
constexpr std::size_t kReadCardWidth = 18;
constexpr std::size_t kMenuNameWidth = 13;

// The first byte of a one-character argument, or the refusal of an empty
// one or of a "!" that would end the frame.
Checked<char> FirstByte(const char* text, const char* what) {
  if (!text || !*text) return Refusal(std::string(what) + " is missing (give one character)");
  if (*text == '!') return Refusal(std::string(what) + " \"!\" would end the frame early");
  return *text;
}

// The category letters the terminals know.
Checked<char> Category(const char* text) {
  Checked<char> letter = FirstByte(text, "the category letter");
  if (letter && (*letter < 'A' || *letter > 'F')) {
    return Refusal("the category letter " + Quoted(std::string(1, *letter)) + " is not A to F");
  }
  return letter;
}

// An amount in yuan as `width` digits of 1/scale yuan (truncated).
Frame AmountDigits(double yuan, int scale, int width, const char* what) {
  char shown[32];
  std::snprintf(shown, sizeof shown, "%g", yuan);
  if (!std::isfinite(yuan) || yuan < 0) {
    return Refusal(std::string(what) + " " + shown + " yuan is not an amount of 0 yuan or more");
  }
  int units = 0;
  if (AmountUnits(yuan, scale, &units)) {
    Frame digits = Digits(units, width, what);
    if (digits) return digits;
  }
  std::string most(static_cast<std::size_t>(width), '9');
  most.insert(most.size() - (scale == 10 ? 1 : 2), ".");
  return Refusal(std::string(what) + " " + shown + " yuan does not fit the frame's " +
                 std::to_string(width) + " digits (at most " + most + " yuan)");
}

Row Setting(int machine, Frame frame) { return Plain(machine, std::move(frame), 5, kDone); }

// "SU" with a three-digit number.
Frame ThreeDigitSetting(int value, const char* what) {
  Frame digits = Digits(value, 3, what);
  if (!digits) return digits;
  return "SU" + *digits + "!";
}

}  // namespace

bool AmountUnits(double yuan, int scale, int* units) {
  constexpr std::int64_t kMaxUnits = 99999999;  // eight digits fill any frame
  auto whole = YuanToUnits(yuan, scale, Rounding::kTruncate, kMaxUnits);
  if (!whole) return false;
  *units = static_cast<int>(*whole);
  return true;
}

std::string FixedWidth(const char* text, std::size_t width) {
  std::string fixed(text ? text : "");
  fixed.resize(width, ' ');
  return fixed;
}

int SetMealTimes(int port, int machine, int limit) {
  return Boolean(port, Setting(machine, ThreeDigitSetting(limit, "the consumption-count limit")));
}

int SetMealTime(int port, int machine, const char* period) {
  return Boolean(port, Setting(machine, Framed("SI", period, "the period text")));
}

int SetKeyboard(int port, int machine, int index, double amount) {
  if (auto refusal = OutOfRange(index, 0, 9, "keyboard menu entry")) {
    return Boolean(port, *refusal);
  }
  Frame tenths = AmountDigits(amount, 10, 3, "the keyboard menu amount");
  if (!tenths) return Boolean(port, tenths.refusal());
  return Boolean(port, Setting(machine, "SH" + std::to_string(index) + *tenths + "!"));
}

int SetClassMenuMoney(int port, int machine, const char* category, const char* menu,
                      double amount) {
  Checked<char> letter = Category(category);
  if (!letter) return Boolean(port, letter.refusal());
  Checked<char> item = FirstByte(menu, "the menu character");
  if (!item) return Boolean(port, item.refusal());
  Frame fen = AmountDigits(amount, 100, 4, "the category menu amount");
  if (!fen) return Boolean(port, fen.refusal());
  return Boolean(port, Setting(machine, "SH" + std::string(1, *letter) + *item + *fen + "!"));
}

// The menu character is not part of this command; the name is padded to 13
// bytes, and a longer name is followed by a single space.
int SetClassMenuName(int port, int machine, const char* category, const char* /*menu*/,
                     const char* name) {
  Checked<char> letter = Category(category);
  if (!letter) return Boolean(port, letter.refusal());
  if (auto refusal = BadText(name, "the menu name")) return Boolean(port, *refusal);
  std::string padded(name);
  padded.append(padded.size() < kMenuNameWidth ? kMenuNameWidth - padded.size() : 1, ' ');
  return Boolean(port, Setting(machine, "SH" + std::string(1, *letter) + "A" + padded + "!"));
}

int SetReserveParam(int port, int machine, int selector, const char* text) {
  if (auto refusal = OutOfRange(selector, 0, 9, "selector")) return Boolean(port, *refusal);
  return Boolean(port, Setting(machine, Framed(("SH" + std::to_string(selector)).c_str(), text,
                                               "the parameter text")));
}

int SetIntervalTime(int port, int machine, int interval) {
  return Boolean(
      port, WithAddressReply(Setting(machine, ThreeDigitSetting(interval, "the punch interval")),
                             kShortAddressReply));
}

int SetScreenDisplayText(int port, int machine, const char* text) {
  if (auto refusal = BadText(text, "the display text")) return Boolean(port, *refusal);
  return Boolean(port, Setting(machine, "SH" + FixedWidth(text, kDisplayWidth) + "!"));
}

int SetBellTime(int port, int machine, const char* bell) {
  return Boolean(port, Setting(machine, Framed("SH", bell, "the bell text")));
}

int SetOpenTime(int port, int machine, const char* period) {
  return Boolean(port,
                 WithAddressReply(Setting(machine, Framed("SI", period, "the door-open text")),
                                  kShortAddressReply));
}

// Price per unit, price per dispensing, units and seconds, each in its own
// width: a wider number would shift every field after it.
int SetWaterParam(int port, int machine, int price, int units, int seconds) {
  Frame price_digits = Digits(price, 3, "the price per unit (fen)");
  if (!price_digits) return Boolean(port, price_digits.refusal());
  Frame unit_digits = Digits(units, 2, "the units per dispensing");
  if (!unit_digits) return Boolean(port, unit_digits.refusal());
  Frame second_digits = Digits(seconds, 2, "the seconds per unit");
  if (!second_digits) return Boolean(port, second_digits.refusal());
  Frame per_dispensing = Digits(static_cast<long long>(price) * units, 5,
                                "the price per dispensing (price x units, fen)");
  if (!per_dispensing) return Boolean(port, per_dispensing.refusal());
  return Boolean(port, Setting(machine, "SU" + *price_digits + *per_dispensing + *unit_digits +
                                            *second_digits + "!"));
}

int SetReadCardName(int port, int machine, const char* text) {
  if (auto refusal = BadText(text, "the read-card text")) return Boolean(port, *refusal);
  return Boolean(port, Setting(machine, "SO" + FixedWidth(text, kReadCardWidth) + "!"));
}

}  // namespace icbus::terminal
