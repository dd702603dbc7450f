#include "local_store.h"

#include <stdexcept>

#include "store/schema.h"

namespace icbus::test_support {

LocalStore::LocalStore(const std::string& path) : path_(path) {
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("sqlite3_open");
  sqlite3_busy_timeout(db_, 10000);
  Exec("PRAGMA journal_mode = WAL");
  Exec(site::kSchemaSql);
}

LocalStore::~LocalStore() { sqlite3_close(db_); }

void LocalStore::Exec(const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string text = message ? message : "?";
    sqlite3_free(message);
    throw std::runtime_error("sqlite: " + text + " in " + sql);
  }
}

long long LocalStore::AddDownload(const std::string& bus, int machine, int count,
                                  const std::string& outcome) {
  Exec("INSERT INTO downloads (bus, machine, kind, run, started_at, outcome) VALUES ('" + bus +
       "', " + std::to_string(machine) +
       ", 'consumption', 1, '2026-12-10T08:00:00.000Z', "
       "'running')");
  const long long id = sqlite3_last_insert_rowid(db_);
  for (int i = 1; i <= count; ++i) {
    const std::string position = std::to_string(++position_);
    Exec(
        "INSERT INTO records (download, sequence, bus, machine, kind, run, position, line, "
        "received_at) VALUES (" +
        std::to_string(id) + ", " + std::to_string(i) + ", '" + bus + "', " +
        std::to_string(machine) + ", 'consumption', 1, " + position + ", 'sale " + position +
        "', '2026-12-10T08:00:01.000Z')");
  }
  if (outcome != "running") {
    Exec("UPDATE downloads SET outcome = '" + outcome +
         "', ended_at = '2026-12-10T08:00:02.000Z', records = " + std::to_string(count) +
         ", received = " + std::to_string(count) + " WHERE id = " + std::to_string(id));
  }
  return id;
}

long long LocalStore::Count(const std::string& table) {
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db_, ("SELECT count(*) FROM " + table).c_str(), -1, &stmt, nullptr);
  const long long n = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
  sqlite3_finalize(stmt);
  return n;
}

}  // namespace icbus::test_support
