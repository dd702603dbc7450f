// Reading the central ledger back: the records of every site, or of one,
// with the filters the local store's export takes, page by page in the
// order each site stored them.
#pragma once

#include <functional>
#include <string>

#include "central/pg_session.h"
#include "store/store.h"

namespace icbus::central {

struct CentralRecordFilter {
  std::string site;            // empty: every site
  site::RecordFilter records;  // since, bus, machine, kind; limit: 0 for all
};

// Calls `take` for each record (its site, and the row as the site stored
// it, times in the store's notation), by site, then local id. Returns how
// many there were.
long ForEachCentralRecord(
    PgSession& session, const CentralRecordFilter& filter,
    const std::function<void(const std::string& site, const site::RecordRow& row)>& take);

}  // namespace icbus::central
