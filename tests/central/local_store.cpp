#include "local_store.h"

#include <sqlite3.h>

#include <cstdlib>
#include <stdexcept>

namespace icbus::test_support {
namespace {

const site::StoreKey kKey{"", 0, "consumption"};

}  // namespace

LocalStore::LocalStore(const std::string& path) : path_(path) {
  std::string error;
  store_ = site::OpenSqliteStore(path, &error);
  if (!store_) throw std::runtime_error(error);
}

std::int64_t LocalStore::AddDownload(const std::string& bus, int machine, int count,
                                     bool finished) {
  site::StoreKey key{bus, machine, kKey.kind};
  if (position_ == 0) store_->StartRun(key, 1, "first");
  const std::int64_t id = store_->BeginDownload(key, 1, std::nullopt);
  for (int i = 1; i <= count; ++i) {
    ++position_;
    store_->AddRecord(id, i, key, 1, position_, "sale " + std::to_string(position_));
  }
  if (finished) store_->FinishDownload(id, "complete", std::nullopt, count, count, "");
  return id;
}

void LocalStore::Finish(std::int64_t download) {
  store_->FinishDownload(download, "complete", std::nullopt, 0, 0, "");
}

void LocalStore::Exec(const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(path_.c_str(), &db);
  sqlite3_busy_timeout(db, 10000);
  char* message = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  const std::string text = message ? message : "";
  sqlite3_free(message);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("sqlite: " + text + " in " + sql);
}

long long LocalStore::Count(const std::string& table) {
  return std::atoll(LocalQuery(path_, "SELECT count(*) FROM " + table).c_str());
}

std::string LocalQuery(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_busy_timeout(db, 10000);
  sqlite3_stmt* stmt = nullptr;
  std::string out;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(stmt, 0);
      out += std::string(text ? reinterpret_cast<const char*>(text) : "") + "\n";
    }
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  if (!out.empty()) out.pop_back();
  return out;
}

}  // namespace icbus::test_support
