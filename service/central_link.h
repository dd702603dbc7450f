// icbusd's side of the central store: the [central] section's checks, the
// outbox's worker, and its figures for /api/status and /metrics. Built
// against libpq where it was found (central_link.cpp); elsewhere a site
// file with a [central] section is refused (central_link_absent.cpp).
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "central/central_status.h"
#include "config/site_config.h"

namespace icbus::central {
class Pusher;
}

namespace icbus::service {

class CentralLink {
 public:
  // The section's mistakes beyond its syntax (a password in the conninfo's
  // text), each at the place of the conninfo.
  static std::vector<site::ConfigError> Check(const site::SiteConfig& config);
  // Creates or upgrades the central schema with the site file's conninfo
  // (a role that may change the schema); returns what it did, or throws.
  static std::string Migrate(const site::SiteConfig& config);

  // Pushes the store at config.store_path to config.central once started.
  explicit CentralLink(const site::SiteConfig& config);
  ~CentralLink();
  void Start();
  // Waits until the backlog is pushed, at most `limit`; true when it is.
  bool Drain(std::chrono::seconds limit);
  central::CentralStatus Status() const;

 private:
  std::unique_ptr<central::Pusher> pusher_;
};

}  // namespace icbus::service
