// The running site: the store, one worker per bus, the site file they were
// built from. What the HTTP handlers and the signal handling call; they stay
// thin over it.
#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "bus/bus_worker.h"
#include "central/central_status.h"
#include "config/site_config.h"
#include "store/store.h"

namespace icbus::service {

class SiteService {
 public:
  SiteService(site::SiteConfig config, std::unique_ptr<site::Store> store);
  ~SiteService();

  void Start();
  // Collects every terminal once; true when every download ended complete.
  bool RunOnce();
  void Stop();
  // Reads the site file again; the workers take it between jobs. Buses that
  // were added or removed take effect at the next start. False (with the
  // mistakes logged) when the file has mistakes: the old one stays.
  bool Reload();

  // Collects a bus, or one terminal of it, now. False when there is none.
  bool Collect(const std::string& bus, std::optional<int> machine);

  std::vector<site::BusStatus> Status() const;
  site::Store& store() { return *store_; }
  // Where the central outbox's figures come from, when the site has one.
  void SetCentralStatus(std::function<central::CentralStatus()> source) {
    central_status_ = std::move(source);
  }
  std::optional<central::CentralStatus> CentralStatus() const {
    if (!central_status_) return std::nullopt;
    return central_status_();
  }
  site::SiteConfig config() const;

 private:
  mutable std::mutex mutex_;
  site::SiteConfig config_;
  std::unique_ptr<site::Store> store_;
  std::vector<std::unique_ptr<site::BusWorker>> workers_;
  std::function<central::CentralStatus()> central_status_;
};

}  // namespace icbus::service
