// The site's side of the push: what of the local store the central store
// has not acknowledged yet. It reads the store through a connection of its
// own (the store is in WAL mode, so reading never stands in a bus worker's
// way) and keeps, in the store itself, the last id of each table the
// central store acknowledged. Ids only grow and are handed out in commit
// order, so "every row after the acknowledged id" is exactly the backlog.
#pragma once

#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "central/central_tables.h"

namespace icbus::central {

// Last acknowledged id per table, in the order of Table.
using Cursors = std::array<std::int64_t, 4>;

struct OutboxBatch {
  std::vector<TableRows> parts;
  Cursors next{};  // the cursors once this batch is acknowledged
  long rows = 0;
};

class LocalOutbox {
 public:
  // `target` names the central store and site the cursors belong to; a new
  // target starts from the beginning (harmless: the push is idempotent).
  // Throws std::runtime_error when the store cannot be opened.
  LocalOutbox(const std::string& store_path, const std::string& target);
  ~LocalOutbox();
  LocalOutbox(const LocalOutbox&) = delete;
  LocalOutbox& operator=(const LocalOutbox&) = delete;

  // The next rows after the cursors, oldest first, at most `limit` of each
  // table, read in one snapshot. A download is taken only once it has
  // ended, and none after one still running, so the central row is final.
  OutboxBatch Next(int limit);
  // Remembers that the central store committed `batch`.
  void Acknowledge(const OutboxBatch& batch);
  // Rows not acknowledged yet, over all tables.
  std::int64_t Backlog();
  // An event in the store's own events table (the service's, no bus).
  void AddEvent(const std::string& type, const std::string& detail);
  const Cursors& cursors() const { return cursors_; }

 private:
  void Exec(const char* sql);
  sqlite3* db_ = nullptr;
  std::string target_;
  Cursors cursors_{};
};

}  // namespace icbus::central
