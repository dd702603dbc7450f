// The SQLite backend: WAL with synchronous=FULL, so a committed row is on
// the disk when the call returns, and readers (the HTTP API, the tool) never
// block the workers. One connection, one statement at a time under a lock:
// the workers write a record at a time, which the disk's sync bounds anyway.
#include <sqlite3.h>

#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>

#include "store/schema.h"
#include "store/store.h"

namespace icbus::site {

namespace {

// One prepared statement with bound parameters; finalized when it goes.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) statement_ = nullptr;
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(const std::string& text) {
    sqlite3_bind_text(statement_, ++index_, text.c_str(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
    return *this;
  }
  Statement& Bind(std::int64_t value) {
    sqlite3_bind_int64(statement_, ++index_, value);
    return *this;
  }
  Statement& Bind(int value) { return Bind(static_cast<std::int64_t>(value)); }
  Statement& Bind(std::optional<int> value) {
    if (value) return Bind(*value);
    sqlite3_bind_null(statement_, ++index_);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return statement_ ? sqlite3_step(statement_) : SQLITE_ERROR; }
  bool Run() { return Step() == SQLITE_DONE; }

  std::int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
  std::optional<int> MaybeInt(int column) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
    return static_cast<int>(Int(column));
  }
  std::string Text(int column) const {
    const unsigned char* text = sqlite3_column_text(statement_, column);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                : std::string();
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
  int index_ = 0;
};

class SqliteStore : public Store {
 public:
  explicit SqliteStore(sqlite3* db) : db_(db) {}
  ~SqliteStore() override { sqlite3_close(db_); }

  void CurrentRun(const StoreKey& key, int* run, int* stored) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement latest(db_,
                     "SELECT run FROM runs WHERE bus = ? AND machine = ? AND kind = ? "
                     "ORDER BY run DESC LIMIT 1");
    latest.Bind(key.bus).Bind(key.machine).Bind(key.kind);
    *run = latest.Step() == SQLITE_ROW ? static_cast<int>(latest.Int(0)) : 0;
    Statement count(db_,
                    "SELECT COUNT(*) FROM records WHERE bus = ? AND machine = ? AND kind = ? "
                    "AND run = ?");
    count.Bind(key.bus).Bind(key.machine).Bind(key.kind).Bind(*run);
    *stored = count.Step() == SQLITE_ROW ? static_cast<int>(count.Int(0)) : 0;
  }

  std::vector<std::string> RunLines(const StoreKey& key, int run) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement select(db_,
                     "SELECT line FROM records WHERE bus = ? AND machine = ? AND kind = ? AND "
                     "run = ? ORDER BY position");
    select.Bind(key.bus).Bind(key.machine).Bind(key.kind).Bind(run);
    std::vector<std::string> lines;
    while (select.Step() == SQLITE_ROW) lines.push_back(select.Text(0));
    return lines;
  }

  void StartRun(const StoreKey& key, int run, const std::string& reason) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement insert(db_,
                     "INSERT OR IGNORE INTO runs (bus, machine, kind, run, started_at, reason) "
                     "VALUES (?, ?, ?, ?, ?, ?)");
    insert.Bind(key.bus).Bind(key.machine).Bind(key.kind).Bind(run).Bind(UtcNow()).Bind(reason);
    insert.Run();
  }

  std::int64_t BeginDownload(const StoreKey& key, int run,
                             std::optional<int> count_before) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement insert(db_,
                     "INSERT INTO downloads (bus, machine, kind, run, started_at, outcome, "
                     "count_before) VALUES (?, ?, ?, ?, ?, 'running', ?)");
    insert.Bind(key.bus)
        .Bind(key.machine)
        .Bind(key.kind)
        .Bind(run)
        .Bind(UtcNow())
        .Bind(count_before);
    return insert.Run() ? sqlite3_last_insert_rowid(db_) : 0;
  }

  bool AddRecord(std::int64_t download, int sequence, const StoreKey& key, int run, int position,
                 const std::string& line) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement insert(db_,
                     "INSERT OR IGNORE INTO records (download, sequence, bus, machine, kind, run, "
                     "position, line, received_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insert.Bind(download).Bind(sequence).Bind(key.bus).Bind(key.machine).Bind(key.kind);
    insert.Bind(run).Bind(position).Bind(line).Bind(UtcNow());
    return insert.Run() && sqlite3_changes(db_) == 1;
  }

  void FinishDownload(std::int64_t download, const std::string& outcome,
                      std::optional<int> count_after, int received, int records,
                      const std::string& error) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement update(db_,
                     "UPDATE downloads SET ended_at = ?, outcome = ?, count_after = ?, "
                     "received = ?, records = ?, error = ? WHERE id = ?");
    update.Bind(UtcNow()).Bind(outcome).Bind(count_after).Bind(received).Bind(records);
    update.Bind(error).Bind(download);
    update.Run();
  }

  int MarkInterrupted() override {
    std::lock_guard<std::mutex> lock(mutex_);
    // What an interrupted download stored is what its records say: count it.
    Statement update(db_,
                     "UPDATE downloads SET outcome = 'interrupted', ended_at = ?, records = "
                     "(SELECT COUNT(*) FROM records WHERE records.download = downloads.id) "
                     "WHERE outcome = 'running'");
    update.Bind(UtcNow());
    update.Run();
    return sqlite3_changes(db_);
  }

  void AddSwipe(const std::string& bus, int machine, const std::string& line) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement insert(db_,
                     "INSERT INTO swipes (bus, machine, line, received_at) VALUES (?, ?, ?, ?)");
    insert.Bind(bus).Bind(machine).Bind(line).Bind(UtcNow());
    insert.Run();
  }

  void AddEvent(const std::string& bus, std::optional<int> machine, const std::string& type,
                const std::string& detail) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement insert(db_,
                     "INSERT INTO events (at, bus, machine, type, detail) VALUES (?, ?, ?, ?, ?)");
    insert.Bind(UtcNow());
    if (bus.empty()) {
      insert.Bind(std::optional<int>());
    } else {
      insert.Bind(bus);
    }
    insert.Bind(machine).Bind(type).Bind(detail);
    insert.Run();
  }

  std::vector<RecordRow> Records(const RecordFilter& filter) override {
    std::lock_guard<std::mutex> lock(mutex_);
    // Empty filters match everything: each is "? = '' OR column = ?".
    Statement select(db_,
                     "SELECT id, download, sequence, bus, machine, kind, run, position, line, "
                     "received_at FROM records WHERE id > ? AND received_at >= ? AND "
                     "(? = '' OR bus = ?) AND (? IS NULL OR machine = ?) AND (? = '' OR kind = ?) "
                     "ORDER BY id LIMIT ?");
    select.Bind(filter.after_id).Bind(filter.since).Bind(filter.bus).Bind(filter.bus);
    select.Bind(filter.machine).Bind(filter.machine).Bind(filter.kind).Bind(filter.kind);
    select.Bind(filter.limit);
    std::vector<RecordRow> rows;
    while (select.Step() == SQLITE_ROW) {
      rows.push_back({select.Int(0), select.Int(1), static_cast<int>(select.Int(2)), select.Text(3),
                      static_cast<int>(select.Int(4)), select.Text(5),
                      static_cast<int>(select.Int(6)), static_cast<int>(select.Int(7)),
                      select.Text(8), select.Text(9)});
    }
    return rows;
  }

  std::vector<EventRow> Events(std::int64_t after_id, int limit) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement select(db_,
                     "SELECT id, at, bus, machine, type, detail FROM events WHERE id > ? "
                     "ORDER BY id LIMIT ?");
    select.Bind(after_id).Bind(limit);
    std::vector<EventRow> rows;
    while (select.Step() == SQLITE_ROW) {
      rows.push_back({select.Int(0), select.Text(1), select.Text(2), select.MaybeInt(3),
                      select.Text(4), select.Text(5)});
    }
    return rows;
  }

  std::optional<DownloadRow> LastDownload(const StoreKey& key) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement select(db_,
                     "SELECT id, run, started_at, ended_at, outcome, count_before, count_after, "
                     "received, records, error FROM downloads WHERE bus = ? AND machine = ? AND "
                     "kind = ? ORDER BY id DESC LIMIT 1");
    select.Bind(key.bus).Bind(key.machine).Bind(key.kind);
    if (select.Step() != SQLITE_ROW) return std::nullopt;
    DownloadRow row;
    row.id = select.Int(0);
    row.bus = key.bus;
    row.machine = key.machine;
    row.kind = key.kind;
    row.run = static_cast<int>(select.Int(1));
    row.started_at = select.Text(2);
    row.ended_at = select.Text(3);
    row.outcome = select.Text(4);
    row.count_before = select.MaybeInt(5);
    row.count_after = select.MaybeInt(6);
    row.received = static_cast<int>(select.Int(7));
    row.records = static_cast<int>(select.Int(8));
    row.error = select.Text(9);
    return row;
  }

  std::vector<TerminalTotals> Totals(const std::string& today) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement select(db_,
                     "SELECT d.bus, d.machine, d.kind, COUNT(*), "
                     "SUM(d.outcome = 'complete'), SUM(d.outcome IN ('failed', 'interrupted')), "
                     "SUM(d.outcome = 'interrupted'), "
                     "MAX(CASE WHEN d.outcome = 'complete' THEN d.ended_at END), "
                     "(SELECT COUNT(*) FROM records r WHERE r.bus = d.bus AND r.machine = "
                     "d.machine AND r.kind = d.kind), "
                     "(SELECT COUNT(*) FROM records r WHERE r.bus = d.bus AND r.machine = "
                     "d.machine AND r.kind = d.kind AND r.received_at >= ?) "
                     "FROM downloads d GROUP BY d.bus, d.machine, d.kind ORDER BY 1, 2, 3");
    select.Bind(today);
    std::vector<TerminalTotals> rows;
    while (select.Step() == SQLITE_ROW) {
      TerminalTotals row;
      row.key = {select.Text(0), static_cast<int>(select.Int(1)), select.Text(2)};
      row.downloads = select.Int(3);
      row.complete = select.Int(4);
      row.failures = select.Int(5);
      row.interrupted = select.Int(6);
      row.last_complete_at = select.Text(7);
      row.records = select.Int(8);
      row.records_today = select.Int(9);
      rows.push_back(row);
    }
    return rows;
  }

 private:
  sqlite3* db_;
  std::mutex mutex_;
};

bool Exec(sqlite3* db, const char* sql, std::string* error) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  *error = message ? message : sqlite3_errmsg(db);
  sqlite3_free(message);
  return false;
}

// Creates the schema in an empty store; refuses one a newer program wrote.
int SchemaVersion(sqlite3* db) {
  Statement version(db, "PRAGMA user_version");
  return version.Step() == SQLITE_ROW ? static_cast<int>(version.Int(0)) : -1;
}

bool Migrate(sqlite3* db, std::string* error) {
  if (SchemaVersion(db) == kSchemaVersion) return true;
  if (!Exec(db, "BEGIN IMMEDIATE", error)) return false;
  // Another process may have created it while this one waited for the lock.
  int found = SchemaVersion(db);
  if (found != 0) {
    std::string ignored;
    Exec(db, "ROLLBACK", &ignored);
    if (found == kSchemaVersion) return true;
    *error = "the store has schema version " + std::to_string(found) + ", this program knows " +
             std::to_string(kSchemaVersion) + ": use a newer icbusd or another store";
    return false;
  }
  std::string set_version = "PRAGMA user_version = " + std::to_string(kSchemaVersion);
  if (Exec(db, kSchemaSql, error) && Exec(db, set_version.c_str(), error) &&
      Exec(db, "COMMIT", error)) {
    return true;
  }
  std::string ignored;
  Exec(db, "ROLLBACK", &ignored);
  return false;
}

}  // namespace

std::string UtcNow() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  long millis = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, millis);
  return text;
}

std::unique_ptr<Store> OpenSqliteStore(const std::string& path, std::string* error) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    *error = "cannot open the store " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, 10000);
  std::string reason;
  // Switching to WAL takes the file's lock without waiting for it, so a
  // store that another process is opening is retried for a while.
  bool wal = false;
  for (int attempt = 0; attempt < 200 && !wal; ++attempt) {
    wal = Exec(db, "PRAGMA journal_mode = WAL", &reason);
    if (!wal) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!wal || !Exec(db, "PRAGMA synchronous = FULL", &reason) ||
      !Exec(db, "PRAGMA foreign_keys = ON", &reason) || !Migrate(db, &reason)) {
    *error = "cannot use the store " + path + ": " + reason;
    sqlite3_close(db);
    return nullptr;
  }
  return std::make_unique<SqliteStore>(db);
}

}  // namespace icbus::site
