// One stored record as records export prints it, from the site's store and
// from the central ledger alike: a CSV line, or a line of text (with --json
// an object). `site` is the site it came from, for the central ledger only.
#pragma once
#include <string>

#include "cli/command.h"
#include "store/store.h"

namespace icbus::tool {

// The CSV header line that goes with PrintRecordRow's lines.
std::string RecordRowsCsvHeader(bool with_site);

void PrintRecordRow(const Context& context, bool csv, const std::string* site,
                    const site::RecordRow& row);

}  // namespace icbus::tool
