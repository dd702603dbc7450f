#include "metrics.h"

#include <ctime>
#include <sstream>

#include "central_report.h"
#include "status_json.h"

namespace icbus::service {

namespace {

// Label values: backslash, quote and line end escaped as the format wants.
std::string Label(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  return out;
}

double SecondsSince(const std::string& utc) {
  std::tm when{};
  if (!strptime(utc.c_str(), "%Y-%m-%dT%H:%M:%S", &when)) return -1;
  return std::difftime(std::time(nullptr), timegm(&when));
}

}  // namespace

std::string MetricsText(SiteService& site) {
  std::ostringstream out;
  auto totals = site.store().Totals(LocalDayStart());
  auto family = [&](const char* name, const char* type, const char* help) {
    out << "# HELP " << name << ' ' << help << "\n# TYPE " << name << ' ' << type << '\n';
  };
  auto labels = [](const site::TerminalTotals& total) {
    return "{bus=\"" + Label(total.key.bus) + "\",machine=\"" + std::to_string(total.key.machine) +
           "\",kind=\"" + total.key.kind + "\"}";
  };
  family("icbusd_downloads_total", "counter", "Downloads started, per terminal and record kind.");
  for (const auto& total : totals)
    out << "icbusd_downloads_total" << labels(total) << ' ' << total.downloads << '\n';
  family("icbusd_download_failures_total", "counter", "Downloads that failed or were interrupted.");
  for (const auto& total : totals)
    out << "icbusd_download_failures_total" << labels(total) << ' ' << total.failures << '\n';
  family("icbusd_records_total", "counter", "Records stored.");
  for (const auto& total : totals)
    out << "icbusd_records_total" << labels(total) << ' ' << total.records << '\n';
  family("icbusd_seconds_since_complete_download", "gauge",
         "Seconds since the last complete download (-1: none yet).");
  for (const auto& total : totals) {
    double since = total.last_complete_at.empty() ? -1 : SecondsSince(total.last_complete_at);
    out << "icbusd_seconds_since_complete_download" << labels(total) << ' ' << since << '\n';
  }
  family("icbusd_bus_busy_seconds_total", "counter", "Time each bus worker held its line.");
  for (const site::BusStatus& bus : site.Status()) {
    out << "icbusd_bus_busy_seconds_total{bus=\"" << Label(bus.name) << "\"} " << bus.busy_seconds
        << '\n';
  }
  if (auto central = site.CentralStatus()) out << CentralMetrics(*central);
  return out.str();
}

}  // namespace icbus::service
