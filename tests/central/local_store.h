// A site's local store as the service writes it, filled directly, for
// tests of what the outbox makes of it.
#pragma once

#include <sqlite3.h>

#include <string>

namespace icbus::test_support {

class LocalStore {
 public:
  explicit LocalStore(const std::string& path);
  ~LocalStore();
  // A finished download of `count` records at the next positions of one
  // terminal; returns the download's id.
  long long AddDownload(const std::string& bus, int machine, int count,
                        const std::string& outcome = "complete");
  void Exec(const std::string& sql);
  long long Count(const std::string& table);
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
  int position_ = 0;
};

}  // namespace icbus::test_support
