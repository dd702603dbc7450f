// The shape of the central tables as the pusher writes them and the export
// reads them: every row carries the site's name and its identity in the
// site's local store.
#pragma once

#include <string>
#include <vector>

#include "central/pg_session.h"

namespace icbus::central {

enum class Table { kDownloads, kRecords, kSwipes, kEvents };

struct TableShape {
  const char* name;  // in the icbus schema
  // The columns after `site`, in the order a row's values come.
  std::vector<const char*> columns;
};

const TableShape& ShapeOf(Table table);

// Rows of one table, each value in the order of ShapeOf(table).columns.
struct TableRows {
  Table table;
  std::vector<std::vector<Param>> rows;
};

}  // namespace icbus::central
