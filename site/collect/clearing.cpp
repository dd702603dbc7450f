#include "collect/clearing.h"

namespace icbus::site {

std::string WhyNotClear(const ClearCheck& check) {
  if (!check.complete) return "the download did not end with the end marker";
  if (!check.count_before) return "the count before the download could not be read";
  if (check.received != *check.count_before) {
    return "the download brought " + std::to_string(check.received) +
           " records, the terminal counted " + std::to_string(*check.count_before) + " before it";
  }
  if (!check.count_after) return "the count after the download could not be read";
  if (*check.count_after != *check.count_before) {
    return "the terminal counts " + std::to_string(*check.count_after) + " records now, " +
           std::to_string(*check.count_before) + " before the download: a record arrived";
  }
  return "";
}

}  // namespace icbus::site
