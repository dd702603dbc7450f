// When a terminal may be cleared: only after a download that ended with the
// end marker, that brought exactly the count read just before it, and when a
// count read just after it is unchanged, so no record arrived meanwhile. What
// remains is the moment between that last count and the clear itself: a
// swipe then is cleared without being collected (the manual says so).
#pragma once
#include <optional>
#include <string>

namespace icbus::site {

struct ClearCheck {
  bool complete = false;  // the download ended with the end marker
  std::optional<int> count_before, count_after;
  int received = 0;  // record lines the download brought
};

// Empty when clearing is safe, else why not, for the event.
std::string WhyNotClear(const ClearCheck& check);

}  // namespace icbus::site
