#include "common/amount.h"

#include <cfloat>
#include <cmath>

namespace icbus {
namespace {

// Products of decimal amounts carry at most a few units of rounding error in
// the last place; 64 of them still leave every fraction a person can type
// (down to a millionth of a unit at a million units) a fraction.
constexpr double kArtefact = 64 * DBL_EPSILON;

}  // namespace

std::optional<std::int64_t> YuanToUnits(double yuan, int scale, Rounding rounding,
                                        std::int64_t max_units) {
  if (!std::isfinite(yuan) || yuan < 0 || scale <= 0) return std::nullopt;
  if (yuan > static_cast<double>(max_units) / scale + 1) return std::nullopt;
  // Held in a double first: on x87 the product would otherwise keep extra
  // precision and compare differently from the stored value.
  volatile double product = yuan * scale;
  const double held = product;
  const double nearest = std::nearbyint(held);
  double whole;
  if (std::fabs(held - nearest) <= kArtefact * std::fmax(1.0, nearest)) {
    whole = nearest;
  } else {
    whole = rounding == Rounding::kUp ? std::ceil(held) : std::floor(held);
  }
  if (whole > static_cast<double>(max_units)) return std::nullopt;
  return static_cast<std::int64_t>(whole);
}

}  // namespace icbus
