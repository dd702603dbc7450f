#include "commands/amount_units.h"

#include <cmath>
#include <cstdlib>

#include "cli/options.h"

namespace icbus::tool {

std::optional<long long> TypedFen(const std::string& text) {
  // ParseAmount accepts the forms and nothing else; the digits are then
  // counted here, so no binary fraction ever stands between typed and kept.
  if (!ParseAmount(text)) return std::nullopt;
  std::size_t point = text.find('.');
  long long fen = std::strtoll(text.substr(0, point).c_str(), nullptr, 10) * 100;
  if (point != std::string::npos) {
    std::string fraction = text.substr(point + 1);
    if (fraction.size() == 1) fraction += '0';
    fen += std::strtoll(fraction.c_str(), nullptr, 10);
  }
  return fen;
}

std::optional<std::string> FinerThanUnit(const std::string& text, int scale,
                                         const std::string& whose) {
  std::optional<long long> fen = TypedFen(text);
  if (!fen) return "'" + text + "' is no amount in yuan";
  int fen_per_unit = 100 / scale;
  if (*fen % fen_per_unit == 0) return std::nullopt;
  return text + " yuan is finer than " + whose + " of " + UnitsText(1, scale) + " yuan";
}

long long UnitsOf(double yuan, int scale) { return std::llround(yuan * scale); }

std::string UnitsText(long long units, int scale) {
  int decimals = scale >= 100 ? 2 : 1;
  std::string sign = units < 0 ? "-" : "";
  long long magnitude = units < 0 ? -units : units;
  std::string fraction = std::to_string(magnitude % scale);
  fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
  return sign + std::to_string(magnitude / scale) + "." + fraction;
}

}  // namespace icbus::tool
