// A site's local store written through the store's own interface, as the
// bus workers write it, for tests of what the outbox makes of it.
#pragma once

#include <memory>
#include <string>

#include "store/store.h"

namespace icbus::test_support {

// The rows a query over the store at `path` gives, its first column only,
// a line each (read-only, beside whatever writes it).
std::string LocalQuery(const std::string& path, const std::string& sql);

class LocalStore {
 public:
  explicit LocalStore(const std::string& path);
  // A download of `count` records at the next positions of one terminal,
  // finished unless `finished` is false; returns the download's id.
  std::int64_t AddDownload(const std::string& bus, int machine, int count, bool finished = true);
  void Finish(std::int64_t download);
  site::Store& store() { return *store_; }
  // Statements the interface has no call for (a lost acknowledgement).
  void Exec(const std::string& sql);
  long long Count(const std::string& table);

 private:
  std::string path_;
  std::unique_ptr<site::Store> store_;
  int position_ = 0;
};

}  // namespace icbus::test_support
