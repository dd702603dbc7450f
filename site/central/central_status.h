// What the outbox reports to /api/status and /metrics. Plain data, so the
// service can show it without knowing libpq.
#pragma once

#include <cstdint>
#include <string>

namespace icbus::central {

struct CentralStatus {
  std::string site;           // the site's name in the central tables
  std::int64_t backlog = -1;  // rows not acknowledged; -1 before the first look
  bool connected = false;
  std::string last_push_at;   // store time of the last acknowledged batch; empty: none
  std::string last_error;     // empty while all is well
  std::int64_t pushed = 0;    // rows acknowledged since start
  std::int64_t inserted = 0;  // of them new to the central store
  std::int64_t batches = 0;
  std::int64_t failures = 0;
};

}  // namespace icbus::central
