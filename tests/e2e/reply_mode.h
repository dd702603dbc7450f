// The end-to-end tests run twice: with compatible replies, and with fast
// replies turned on through ICBUS_FAST_REPLIES=1. Results and frames must be
// the same; only the tests that time a read expect the mode's own timing.
#pragma once
#include <cstdlib>
#include <cstring>

namespace icbus::e2e {

inline bool FastReplies() {
  const char* value = std::getenv("ICBUS_FAST_REPLIES");
  return value && std::strcmp(value, "1") == 0;
}

}  // namespace icbus::e2e
