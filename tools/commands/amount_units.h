// Amounts as the user typed them, held exactly in fen (hundredths of a
// yuan), and the check that one fits the unit it is stored in: a card or a
// terminal that keeps tenths cannot hold 0.09 yuan, and the library would
// silently drop the fen.
#pragma once
#include <optional>
#include <string>

namespace icbus::tool {

// The amount typed as "12", "12.5" or "12.05", in fen; nothing for any other
// text (the option checks have refused it before a handler runs).
std::optional<long long> TypedFen(const std::string& text);

// Why the amount `text` cannot be stored in units of 1/`scale` yuan (10:
// tenths, 100: fen), naming whose unit it is ("this card's unit"): "0.09
// yuan is finer than this card's unit of 0.1 yuan". Nothing when it fits.
std::optional<std::string> FinerThanUnit(const std::string& text, int scale,
                                         const std::string& whose);

// A balance or limit the library read back in yuan, in units of 1/`scale`
// yuan (the nearest whole unit: the library hands back units / scale).
long long UnitsOf(double yuan, int scale);

// `units` of 1/`scale` yuan as yuan with the unit's decimals: 125, 10 ->
// "12.5".
std::string UnitsText(long long units, int scale);

}  // namespace icbus::tool
