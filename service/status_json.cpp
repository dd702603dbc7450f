#include "status_json.h"

#include <ctime>

#include "central_report.h"

namespace icbus::service {

std::string UtcText(site::Clock::time_point when) {
  if (when == site::Clock::time_point::max()) return "";
  std::time_t seconds = site::Clock::to_time_t(when);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

std::string LocalDayStart() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  local.tm_hour = local.tm_min = local.tm_sec = 0;
  local.tm_isdst = -1;
  return UtcText(site::Clock::from_time_t(std::mktime(&local)));
}

nlohmann::json RecordJson(const site::RecordRow& row) {
  return {{"id", row.id},
          {"bus", row.bus},
          {"machine", row.machine},
          {"kind", row.kind},
          {"run", row.run},
          {"position", row.position},
          {"download", row.download},
          {"line", row.line},
          {"received_at", row.received_at}};
}

nlohmann::json EventJson(const site::EventRow& row) {
  nlohmann::json event = {
      {"id", row.id}, {"at", row.at}, {"type", row.type}, {"detail", row.detail}};
  event["bus"] = row.bus.empty() ? nlohmann::json() : nlohmann::json(row.bus);
  event["machine"] = row.machine ? nlohmann::json(*row.machine) : nlohmann::json();
  return event;
}

nlohmann::json StatusJson(SiteService& site) {
  site::SiteConfig config = site.config();
  std::string today = LocalDayStart();
  auto totals = site.store().Totals(today);
  nlohmann::json buses = nlohmann::json::array();
  for (const site::BusStatus& bus : site.Status()) {
    nlohmann::json terminals = nlohmann::json::array();
    for (const site::TerminalStatus& terminal : bus.terminals) {
      nlohmann::json downloads = nlohmann::json::array();
      long long records_today = 0, records = 0;
      for (const site::BusConfig& bus_config : config.buses) {
        if (bus_config.name != bus.name) continue;
        for (const site::TerminalConfig& entry : bus_config.terminals) {
          if (entry.machine != terminal.machine) continue;
          for (const std::string& kind : entry.records) {
            auto last = site.store().LastDownload({bus.name, terminal.machine, kind});
            nlohmann::json item = {{"kind", kind}};
            if (last) {
              item["started_at"] = last->started_at;
              item["ended_at"] = last->ended_at;
              item["outcome"] = last->outcome;
              item["received"] = last->received;
              item["records"] = last->records;
              item["error"] = last->error;
            }
            downloads.push_back(item);
          }
        }
      }
      std::string last_complete;
      for (const site::TerminalTotals& total : totals) {
        if (total.key.bus != bus.name || total.key.machine != terminal.machine) continue;
        records += total.records;
        records_today += total.records_today;
        if (total.last_complete_at > last_complete) last_complete = total.last_complete_at;
      }
      terminals.push_back({{"machine", terminal.machine},
                           {"kind", terminal.kind},
                           {"next_run", UtcText(terminal.next_collect)},
                           {"failures", terminal.failures},
                           {"last_error", terminal.last_error},
                           {"last_complete", last_complete},
                           {"records", records},
                           {"records_today", records_today},
                           {"downloads", downloads}});
    }
    buses.push_back({{"name", bus.name},
                     {"running", bus.running},
                     {"busy_seconds", bus.busy_seconds},
                     {"terminals", terminals}});
  }
  nlohmann::json status = {{"now", UtcText(site::Clock::now())}, {"buses", buses}};
  if (auto central = site.CentralStatus()) status["central"] = CentralJson(*central);
  return status;
}

}  // namespace icbus::service
