#include "terminal/schedules.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/amount.h"
#include "terminal/rows.h"

namespace icbus::terminal {
namespace {

constexpr char kDone[] = "DONE";
constexpr std::uint32_t kShortAddressReply = 3;  // attendance and timer terminals
constexpr std::size_t kDisplayWidth = 17;
constexpr std::size_t kReadCardWidth = 18;
constexpr std::size_t kMenuNameWidth = 13;

template <class... Args>
std::optional<std::string> Formatted(const char* format, Args... args) {
  char frame[64];
  int length = std::snprintf(frame, sizeof frame, format, args...);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof frame) return std::nullopt;
  return std::string(frame, static_cast<std::size_t>(length));
}

// The first byte of a one-character argument; nothing for an empty one or
// a "!" that would end the frame.
std::optional<char> FirstByte(const char* text) {
  if (!text || !*text || *text == '!') return std::nullopt;
  return *text;
}

Row Setting(int machine, std::optional<std::string> frame) {
  return Plain(machine, std::move(frame), 5, kDone);
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
  if (limit < 0) return 0;
  return Boolean(port, Setting(machine, Formatted("SU%03d!", limit)));
}

int SetMealTime(int port, int machine, const char* period) {
  return Boolean(port, Setting(machine, Framed("SI", period)));
}

int SetKeyboard(int port, int machine, int index, double amount) {
  int tenths = 0;
  if (index < 0 || index > 9 || !AmountUnits(amount, 10, &tenths)) return 0;
  return Boolean(port, Setting(machine, Formatted("SH%01d%03d!", index, tenths)));
}

int SetClassMenuMoney(int port, int machine, const char* category, const char* menu,
                      double amount) {
  auto letter = FirstByte(category);
  auto item = FirstByte(menu);
  int fen = 0;
  if (!letter || !item || !AmountUnits(amount, 100, &fen)) return 0;
  return Boolean(port, Setting(machine, Formatted("SH%c%c%04d!", *letter, *item, fen)));
}

// The menu character is not part of this command; the name is padded to 13
// bytes, and a longer name is followed by a single space.
int SetClassMenuName(int port, int machine, const char* category, const char* /*menu*/,
                     const char* name) {
  auto letter = FirstByte(category);
  if (!letter || !name || std::strchr(name, '!')) return 0;
  std::string padded(name);
  padded.append(padded.size() < kMenuNameWidth ? kMenuNameWidth - padded.size() : 1, ' ');
  return Boolean(port, Setting(machine, "SH" + std::string(1, *letter) + "A" + padded + "!"));
}

int SetReserveParam(int port, int machine, int selector, const char* text) {
  if (selector < 0 || selector > 9 || !text || std::strchr(text, '!')) return 0;
  return Boolean(port, Setting(machine, Formatted("SH%1d%s!", selector, text)));
}

int SetIntervalTime(int port, int machine, int interval) {
  if (interval < 0) return 0;
  return Boolean(port, WithAddressReply(Setting(machine, Formatted("SU%03d!", interval)),
                                        kShortAddressReply));
}

int SetScreenDisplayText(int port, int machine, const char* text) {
  if (!text || std::strchr(text, '!')) return 0;
  return Boolean(port, Setting(machine, "SH" + FixedWidth(text, kDisplayWidth) + "!"));
}

int SetBellTime(int port, int machine, const char* bell) {
  return Boolean(port, Setting(machine, Framed("SH", bell)));
}

int SetOpenTime(int port, int machine, const char* period) {
  return Boolean(port, WithAddressReply(Setting(machine, Framed("SI", period)),
                                        kShortAddressReply));
}

int SetWaterParam(int port, int machine, int price, int units, int seconds) {
  if (price < 0 || units < 0 || seconds < 0) return 0;
  long long per_dispensing = static_cast<long long>(price) * units;
  if (per_dispensing > 99999999) return 0;
  return Boolean(port, Setting(machine, Formatted("SU%03d%05lld%02d%02d!", price,
                                                  per_dispensing, units, seconds)));
}

int SetReadCardName(int port, int machine, const char* text) {
  if (!text || std::strchr(text, '!')) return 0;
  return Boolean(port, Setting(machine, "SO" + FixedWidth(text, kReadCardWidth) + "!"));
}

}  // namespace icbus::terminal
