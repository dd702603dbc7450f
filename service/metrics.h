// /metrics in the Prometheus text format.
#pragma once
#include <string>

#include "site_service.h"

namespace icbus::service {

std::string MetricsText(SiteService& site);

}  // namespace icbus::service
