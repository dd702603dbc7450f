#include "site_service.h"

#include "log/journal_log.h"

namespace icbus::service {

SiteService::SiteService(site::SiteConfig config, std::unique_ptr<site::Store> store)
    : config_(std::move(config)), store_(std::move(store)) {
  for (const site::BusConfig& bus : config_.buses) {
    workers_.push_back(std::make_unique<site::BusWorker>(bus, config_, *store_));
  }
}

SiteService::~SiteService() { Stop(); }

void SiteService::Start() {
  for (auto& worker : workers_) worker->Start();
}

bool SiteService::RunOnce() {
  for (auto& worker : workers_) worker->StartOnce();
  bool complete = true;
  for (auto& worker : workers_) complete = worker->Wait() && complete;
  return complete;
}

void SiteService::Stop() {
  for (auto& worker : workers_) worker->Stop();
}

bool SiteService::Reload() {
  std::vector<site::ConfigError> errors;
  site::SiteConfig fresh = site::LoadSiteFile(config_.path, &errors);
  if (!errors.empty()) {
    for (const site::ConfigError& error : errors) {
      site::LogError(config_.path + ":" + std::to_string(error.line) + ":" +
                     std::to_string(error.column) + ": " + error.message);
    }
    site::LogError("the site file was not reloaded: the old one stays in force");
    return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  fresh.store_path = config_.store_path;
  fresh.listen = config_.listen;
  for (auto& worker : workers_) {
    for (const site::BusConfig& bus : fresh.buses) {
      if (bus.name == worker->name()) worker->Reload(bus, fresh);
    }
  }
  config_ = fresh;
  site::LogInfo("reloaded " + config_.path);
  return true;
}

bool SiteService::Collect(const std::string& bus, std::optional<int> machine) {
  bool found = false;
  for (auto& worker : workers_) {
    if (bus.empty() || worker->name() == bus) found = worker->RequestCollect(machine) || found;
  }
  return found;
}

std::vector<site::BusStatus> SiteService::Status() const {
  std::vector<site::BusStatus> status;
  for (const auto& worker : workers_) status.push_back(worker->Status());
  return status;
}

site::SiteConfig SiteService::config() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return config_;
}

}  // namespace icbus::service
