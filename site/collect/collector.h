// One terminal's records into the store, each record once, whatever the
// terminal does. A download hands over a terminal's records from the start
// every time until it is cleared, and some terminals drop what they have
// sent; so a record is known by its terminal and its position since the last
// clear (its run). A download whose first records equal the stored ones adds
// only what follows them; one that differs at some position, or brings fewer
// records than are stored, means the terminal's store was replaced: a new run
// starts, with an event. Equal texts are never taken for one record unless
// they stand at the same position: two sales can be alike.
#pragma once
#include <functional>
#include <string>

#include "collect/record_kinds.h"
#include "config/site_config.h"
#include "icbus.hpp"
#include "store/store.h"

namespace icbus::site {

struct CollectResult {
  bool complete = false;  // ended with the end marker
  int received = 0;       // record lines handed over
  int stored = 0;         // of them new
  std::string error;      // the library's reason when it failed
};

// Downloads one record kind of a terminal into `store`, committing each new
// record before the next is asked for; then clears the terminal when it is
// configured to be and the clearing rule (clearing.h) allows it. `stop` is
// asked before each record: when it says so the download ends after the
// record in flight and the terminal is released ("SZ!").
CollectResult CollectRecords(icbus::Bus& bus, Store& store, const std::string& bus_name,
                             const TerminalConfig& terminal, const SiteRecordKind& kind,
                             const std::function<bool()>& stop);

}  // namespace icbus::site
