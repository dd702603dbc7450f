#include "central/local_outbox.h"

#include <stdexcept>

#include "store/store.h"

namespace icbus::central {
namespace {

// The local columns that become the central ones, in ShapeOf's order.
struct LocalQuery {
  Table table;
  const char* sql;
};

const LocalQuery kQueries[] = {
    {Table::kDownloads,
     "SELECT id, bus, machine, kind, run, started_at, ended_at, outcome, count_before, "
     "count_after, received, records, error FROM downloads WHERE id > ?1 ORDER BY id LIMIT ?2"},
    {Table::kRecords,
     "SELECT id, download, sequence, bus, machine, kind, run, position, line, received_at "
     "FROM records WHERE id > ?1 ORDER BY id LIMIT ?2"},
    {Table::kSwipes,
     "SELECT id, bus, machine, line, received_at FROM swipes WHERE id > ?1 ORDER BY id LIMIT ?2"},
    {Table::kEvents,
     "SELECT id, at, bus, machine, type, detail FROM events WHERE id > ?1 ORDER BY id LIMIT ?2"},
};

const char* const kTableNames[] = {"downloads", "records", "swipes", "events"};

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) Fail("prepare");
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement& Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
  }
  Statement& Bind(int index, const std::string& value) {
    sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    return *this;
  }
  // True while there is a row.
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) Fail("step");
    return false;
  }
  Param Text(int column) const {
    if (sqlite3_column_type(stmt_, column) == SQLITE_NULL) return std::nullopt;
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
  }
  std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
  int columns() const { return sqlite3_column_count(stmt_); }

 private:
  [[noreturn]] void Fail(const char* what) const {
    throw std::runtime_error(std::string("local store (") + what + "): " + sqlite3_errmsg(db_));
  }
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace

LocalOutbox::LocalOutbox(const std::string& store_path, const std::string& target)
    : target_(target) {
  // The store is the service's to create: an outbox never makes an empty one.
  if (sqlite3_open_v2(store_path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    const std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw std::runtime_error("cannot open the local store " + store_path + ": " + reason);
  }
  sqlite3_busy_timeout(db_, 10000);
  Exec("PRAGMA synchronous = FULL");
  Exec(
      "CREATE TABLE IF NOT EXISTS central_acks (target TEXT NOT NULL, tbl TEXT NOT NULL, "
      "last_id INTEGER NOT NULL, PRIMARY KEY (target, tbl))");
  Statement read(db_, "SELECT tbl, last_id FROM central_acks WHERE target = ?1");
  read.Bind(1, target_);
  while (read.Step()) {
    for (size_t t = 0; t < cursors_.size(); ++t) {
      if (*read.Text(0) == kTableNames[t]) cursors_[t] = read.Int(1);
    }
  }
}

LocalOutbox::~LocalOutbox() { sqlite3_close(db_); }

void LocalOutbox::Exec(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string reason = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    throw std::runtime_error("local store: " + reason);
  }
}

OutboxBatch LocalOutbox::Next(int limit) {
  OutboxBatch batch;
  batch.next = cursors_;
  Exec("BEGIN");
  try {
    for (size_t t = 0; t < std::size(kQueries); ++t) {
      const LocalQuery& query = kQueries[t];
      Statement rows(db_, query.sql);
      rows.Bind(1, cursors_[t]).Bind(2, limit);
      TableRows part{query.table, {}};
      while (rows.Step()) {
        // outcome is column 7 of a download; "running" may still change.
        if (query.table == Table::kDownloads && rows.Text(7) == Param("running")) break;
        std::vector<Param> row;
        for (int c = 0; c < rows.columns(); ++c) row.push_back(rows.Text(c));
        batch.next[t] = rows.Int(0);
        part.rows.push_back(std::move(row));
      }
      batch.rows += static_cast<long>(part.rows.size());
      if (!part.rows.empty()) batch.parts.push_back(std::move(part));
    }
  } catch (...) {
    Exec("ROLLBACK");
    throw;
  }
  Exec("COMMIT");
  return batch;
}

void LocalOutbox::Acknowledge(const OutboxBatch& batch) {
  Exec("BEGIN IMMEDIATE");
  try {
    for (size_t t = 0; t < cursors_.size(); ++t) {
      if (batch.next[t] == cursors_[t]) continue;
      Statement upsert(db_,
                       "INSERT INTO central_acks (target, tbl, last_id) VALUES (?1, ?2, ?3) "
                       "ON CONFLICT (target, tbl) DO UPDATE SET last_id = excluded.last_id");
      upsert.Bind(1, target_).Bind(2, std::string(kTableNames[t])).Bind(3, batch.next[t]);
      upsert.Step();
    }
  } catch (...) {
    Exec("ROLLBACK");
    throw;
  }
  Exec("COMMIT");
  cursors_ = batch.next;
}

std::int64_t LocalOutbox::Backlog() {
  std::int64_t total = 0;
  for (size_t t = 0; t < cursors_.size(); ++t) {
    const std::string sql =
        std::string("SELECT count(*) FROM ") + kTableNames[t] + " WHERE id > ?1";
    Statement count(db_, sql.c_str());
    count.Bind(1, cursors_[t]);
    if (count.Step()) total += count.Int(0);
  }
  return total;
}

void LocalOutbox::AddEvent(const std::string& type, const std::string& detail) {
  Statement insert(db_,
                   "INSERT INTO events (at, bus, machine, type, detail) VALUES (?1, NULL, "
                   "NULL, ?2, ?3)");
  insert.Bind(1, site::UtcNow()).Bind(2, type).Bind(3, detail);
  insert.Step();
}

}  // namespace icbus::central
