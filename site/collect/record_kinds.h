// Which record kinds each terminal kind hands over, and how each is counted
// and opened: the library does not check the pairing, so the site keeps it in
// one table.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "config/site_config.h"
#include "icbus.hpp"

namespace icbus::site {

struct SiteRecordKind {
  const char* name;
  icbus::RecordKind kind;
  bool counted;  // the terminal answers a count for it (needed to clear safely)
  bool main;     // the store a clear empties (the backup store outlives it)
};

// The kind named `name`, or nullptr.
const SiteRecordKind* RecordKindByName(const std::string& name);
// The kinds a terminal of `kind` may hand over; the first is its default.
std::vector<std::string> RecordKindsOf(TerminalKind kind);

// The count the terminal answers for the record kind, nothing when it did
// not answer (or the kind has no count).
std::optional<int> CountRecords(icbus::Bus& bus, const TerminalConfig& terminal,
                                const SiteRecordKind& kind);

}  // namespace icbus::site
