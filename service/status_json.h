// The service's state and rows as JSON, for /api/status, /api/records,
// /api/events and the tool's export.
#pragma once
#include <nlohmann/json.hpp>

#include "site_service.h"
#include "store/store.h"

namespace icbus::service {

nlohmann::json StatusJson(SiteService& site);
nlohmann::json RecordJson(const site::RecordRow& row);
nlohmann::json EventJson(const site::EventRow& row);
// A time point as the store writes times (UTC, ISO 8601); "" for none.
std::string UtcText(site::Clock::time_point when);
// The UTC time of the start of the local day, in the store's notation.
std::string LocalDayStart();

}  // namespace icbus::service
