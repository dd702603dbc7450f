// The site's durable store: what the bus workers write and the HTTP API and
// the tool read. One small interface; sqlite_store.cpp is its backend. Every
// write is committed when the call returns, so a record stored before the
// next one is asked for survives a crash at any moment.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace icbus::site {

// A terminal's record store of one kind: the identity of its records.
struct StoreKey {
  std::string bus;
  int machine = 0;
  std::string kind;
};

struct DownloadRow {
  std::int64_t id = 0;
  std::string bus;
  int machine = 0;
  std::string kind;
  int run = 0;
  std::string started_at, ended_at, outcome;
  std::optional<int> count_before, count_after;
  int received = 0, records = 0;
  std::string error;
};

struct RecordRow {
  std::int64_t id = 0;
  std::int64_t download = 0;
  int sequence = 0;
  std::string bus;
  int machine = 0;
  std::string kind;
  int run = 0, position = 0;
  std::string line, received_at;
};

struct EventRow {
  std::int64_t id = 0;
  std::string at, bus;
  std::optional<int> machine;
  std::string type, detail;
};

struct RecordFilter {
  std::string since;  // received_at >= since (UTC text); empty: all
  std::string bus;    // empty: all
  std::optional<int> machine;
  std::string kind;
  std::int64_t after_id = 0;  // id > after_id
  int limit = 10000;
};

// Per terminal and kind, for /metrics and the status page.
struct TerminalTotals {
  StoreKey key;
  std::int64_t downloads = 0, complete = 0, failures = 0, interrupted = 0, records = 0,
               records_today = 0;
  std::string last_complete_at;  // empty: never
};

class Store {
 public:
  virtual ~Store() = default;

  // The run new records of `key` belong to and how many positions of it are
  // stored (run 0, nothing stored, before the first).
  virtual void CurrentRun(const StoreKey& key, int* run, int* stored) = 0;
  // The stored lines of the run, by position from 1.
  virtual std::vector<std::string> RunLines(const StoreKey& key, int run) = 0;
  // Starts run `run` of `key` ("first", "cleared", "replaced").
  virtual void StartRun(const StoreKey& key, int run, const std::string& reason) = 0;

  virtual std::int64_t BeginDownload(const StoreKey& key, int run,
                                     std::optional<int> count_before) = 0;
  // Stores a record at `position` of `run`; false (and nothing stored) when
  // that position is already stored.
  virtual bool AddRecord(std::int64_t download, int sequence, const StoreKey& key, int run,
                         int position, const std::string& line) = 0;
  virtual void FinishDownload(std::int64_t download, const std::string& outcome,
                              std::optional<int> count_after, int received, int records,
                              const std::string& error) = 0;
  // Marks downloads a crash left running as interrupted; returns how many.
  virtual int MarkInterrupted() = 0;

  virtual void AddSwipe(const std::string& bus, int machine, const std::string& line) = 0;
  virtual void AddEvent(const std::string& bus, std::optional<int> machine, const std::string& type,
                        const std::string& detail) = 0;

  virtual std::vector<RecordRow> Records(const RecordFilter& filter) = 0;
  virtual std::vector<EventRow> Events(std::int64_t after_id, int limit) = 0;
  virtual std::optional<DownloadRow> LastDownload(const StoreKey& key) = 0;
  // `today` is the UTC start of the local day, as stored times are written.
  virtual std::vector<TerminalTotals> Totals(const std::string& today) = 0;
};

// Opens (creating when needed) the SQLite store at `path`. On failure returns
// null with the reason in `*error`.
std::unique_ptr<Store> OpenSqliteStore(const std::string& path, std::string* error);

// The current time as the store writes it: UTC, ISO 8601, milliseconds.
std::string UtcNow();

}  // namespace icbus::site
