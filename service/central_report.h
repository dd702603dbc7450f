// The outbox's figures as /api/status shows them and as /metrics exports
// them (Prometheus text format).
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "central/central_status.h"

namespace icbus::service {

nlohmann::json CentralJson(const central::CentralStatus& status);
std::string CentralMetrics(const central::CentralStatus& status);

}  // namespace icbus::service
