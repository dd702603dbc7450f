#include "central_report.h"

#include <ctime>
#include <sstream>

namespace icbus::service {
namespace {

// Seconds since the epoch of a store time ("2026-12-10T15:20:01.123Z"); 0 for none.
double EpochSeconds(const std::string& utc) {
  std::tm when{};
  const char* rest = strptime(utc.c_str(), "%Y-%m-%dT%H:%M:%S", &when);
  if (!rest) return 0;
  double fraction = 0;
  if (*rest == '.') fraction = std::strtod(rest, nullptr);
  return static_cast<double>(timegm(&when)) + fraction;
}

}  // namespace

nlohmann::json CentralJson(const central::CentralStatus& status) {
  return {{"site", status.site},
          {"connected", status.connected},
          {"backlog", status.backlog},
          {"last_push_at", status.last_push_at},
          {"last_error", status.last_error},
          {"pushed", status.pushed},
          {"inserted", status.inserted},
          {"batches", status.batches},
          {"failures", status.failures}};
}

std::string CentralMetrics(const central::CentralStatus& status) {
  std::ostringstream out;
  out.precision(15);
  auto family = [&](const char* name, const char* type, const char* help, double value) {
    out << "# HELP " << name << ' ' << help << "\n# TYPE " << name << ' ' << type << '\n'
        << name << ' ' << value << '\n';
  };
  family("icbusd_central_up", "gauge", "1 while the central store accepts the site's rows.",
         status.connected ? 1 : 0);
  family("icbusd_central_backlog_rows", "gauge",
         "Rows of the local store the central store has not acknowledged (-1: not known yet).",
         static_cast<double>(status.backlog));
  family("icbusd_central_last_push_timestamp_seconds", "gauge",
         "When the last batch was acknowledged, seconds since the epoch (0: none yet).",
         EpochSeconds(status.last_push_at));
  family("icbusd_central_pushed_rows_total", "counter", "Rows acknowledged by the central store.",
         static_cast<double>(status.pushed));
  family("icbusd_central_failures_total", "counter",
         "Pushes that failed (store unreachable, refused, schema too new).",
         static_cast<double>(status.failures));
  return out.str();
}

}  // namespace icbus::service
