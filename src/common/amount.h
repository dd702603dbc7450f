// Amounts in yuan, given as doubles, to whole units of 1/scale yuan
// (tenths, hundredths, thousandths). Every conversion of the library goes
// through here so that the decimal amount a caller typed is the amount stored.
#pragma once
#include <cstdint>
#include <optional>

namespace icbus {

enum class Rounding {
  kTruncate,  // a real fraction of a unit is cut toward zero (0.29 yuan: 2 tenths)
  kUp,        // a real fraction of a unit counts as a whole unit
};

// The product yuan x scale, rounded to double precision. A product within a
// few units in the last place of a whole number is that whole number: 1.15 x
// 100 is 114.99999999999999 as a double, and 1.15 yuan is 115 fen. Only a
// fraction larger than that binary artefact is truncated (or rounded up).
// Nothing for amounts that are negative, not finite or above `max_units`.
std::optional<std::int64_t> YuanToUnits(double yuan, int scale, Rounding rounding,
                                        std::int64_t max_units);

}  // namespace icbus
