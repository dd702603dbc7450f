#include "central_link.h"

#include "central/migrations.h"
#include "central/pg_session.h"
#include "central/pusher.h"

namespace icbus::service {

std::vector<site::ConfigError> CentralLink::Check(const site::SiteConfig& config) {
  const site::CentralConfig& central = config.central;
  if (central.conninfo.empty()) return {};
  const std::string problem = central::CheckConninfo(central.conninfo);
  if (problem.empty()) return {};
  return {{central.line, central.column, problem}};
}

std::string CentralLink::Migrate(const site::SiteConfig& config) {
  central::PgSession session(config.central.conninfo);
  const int before = central::SchemaVersion(session);
  const int after = central::Migrate(session);
  return before == after ? "the central schema is at version " + std::to_string(after) +
                               ", the newest this icbusd knows"
                         : "the central schema went from version " + std::to_string(before) +
                               " to " + std::to_string(after);
}

CentralLink::CentralLink(const site::SiteConfig& config) {
  central::PusherOptions options;
  options.store_path = config.store_path;
  options.conninfo = config.central.conninfo;
  options.site = config.central.site;
  options.batch = config.central.batch;
  options.retry_max = std::chrono::seconds(config.central.retry_max_seconds);
  pusher_ = std::make_unique<central::Pusher>(options);
}

CentralLink::~CentralLink() = default;

void CentralLink::Start() { pusher_->Start(); }

bool CentralLink::Drain(std::chrono::seconds limit) { return pusher_->Drain(limit); }

central::CentralStatus CentralLink::Status() const { return pusher_->Status(); }

}  // namespace icbus::service
