// icbusd built without libpq: the central store cannot be reached, so a
// site file that names one is refused at --check and at start.
#include <stdexcept>

#include "central_link.h"

namespace icbus::service {

std::vector<site::ConfigError> CentralLink::Check(const site::SiteConfig& config) {
  if (config.central.conninfo.empty()) return {};
  return {{config.central.line, config.central.column,
           "this icbusd was built without the central store (libpq-dev was missing): remove "
           "[central] or use a build with it"}};
}

std::string CentralLink::Migrate(const site::SiteConfig&) {
  throw std::runtime_error("this icbusd was built without the central store (libpq-dev)");
}

CentralLink::CentralLink(const site::SiteConfig&) {
  throw std::logic_error("no central store in this build; Check refuses the site file first");
}

CentralLink::~CentralLink() = default;
void CentralLink::Start() {}
bool CentralLink::Drain(std::chrono::seconds) { return false; }
central::CentralStatus CentralLink::Status() const { return {}; }

}  // namespace icbus::service
