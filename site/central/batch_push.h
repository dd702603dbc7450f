// One batch of a site's rows into the central store.
#pragma once

#include <string>
#include <vector>

#include "central/central_tables.h"

namespace icbus::central {

struct PushResult {
  long sent = 0;      // rows offered
  long inserted = 0;  // rows the central store did not have yet
};

// Writes one batch in one transaction: INSERT ... ON CONFLICT DO NOTHING,
// so a batch sent again after a lost acknowledgement changes nothing.
// Either every row is in the central store afterwards or, on a throw, none
// of this batch's rows were committed.
PushResult PushBatch(PgSession& session, const std::string& site,
                     const std::vector<TableRows>& batch);

}  // namespace icbus::central
