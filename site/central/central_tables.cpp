#include "central/central_tables.h"

#include <stdexcept>

namespace icbus::central {

const TableShape& ShapeOf(Table table) {
  static const TableShape kDownloads{
      "downloads",
      {"local_id", "bus", "machine", "kind", "run", "started_at", "ended_at", "outcome",
       "count_before", "count_after", "received", "records", "error"}};
  static const TableShape kRecords{"records",
                                   {"local_id", "download", "sequence", "bus", "machine", "kind",
                                    "run", "position", "line", "received_at"}};
  static const TableShape kSwipes{"swipes", {"local_id", "bus", "machine", "line", "received_at"}};
  static const TableShape kEvents{"events", {"local_id", "at", "bus", "machine", "type", "detail"}};
  switch (table) {
    case Table::kDownloads:
      return kDownloads;
    case Table::kRecords:
      return kRecords;
    case Table::kSwipes:
      return kSwipes;
    case Table::kEvents:
      return kEvents;
  }
  throw std::logic_error("unknown central table");
}

}  // namespace icbus::central
