// The site file: the buses of a site, the terminals on each, the schedules,
// the store and the HTTP listener (docs/icbusd-site.5 describes every key).
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace icbus::site {

enum class TerminalKind { kWindow, kAttendance, kWater, kTopUp, kDesktopTopUp, kTimer };

struct TerminalConfig {
  int machine = 0;
  TerminalKind kind = TerminalKind::kWindow;
  std::optional<int> management_card;  // top-up machines are addressed with it
  std::vector<std::string> records;    // record kinds, as RecordKindByName knows them
  bool clear = false;                  // clear after a safe collection
};

struct BusConfig {
  std::string name;
  int port = 0;        // COM<port> / ICBUS_COM<port>; 0 when `device` is used
  std::string device;  // a device path instead of a port number
  int decimals = 1;
  bool swipes = true;         // poll the terminals for swipes between jobs
  bool fast_replies = false;  // end each reply read at its "!"
  int settle_ms = 500;        // quiet line wanted after a time-out
  std::vector<TerminalConfig> terminals;
};

// When a job runs: every N minutes (0: not on a period) and at fixed times of
// the local day ("HH:MM").
struct Schedule {
  int every_minutes = 0;
  std::vector<int> at_minutes;  // minutes after local midnight
  bool Empty() const { return every_minutes == 0 && at_minutes.empty(); }
};

// [central]: the central PostgreSQL store the site's rows are pushed to
// (site/central). No conninfo: none.
struct CentralConfig {
  std::string conninfo;  // a libpq connection string; its password never here
  std::string site;      // the site's name in the central tables
  int batch = 500;       // rows of each table per transaction
  int drain_seconds = 60;      // how long --once waits for the central store
  int retry_max_seconds = 60;  // the longest pause between tries while it is away
  int line = 0, column = 0;    // where conninfo is, for later checks of its text
};

struct SiteConfig {
  std::string path;  // the file it was read from
  std::vector<BusConfig> buses;
  Schedule collect, clock, lists;
  std::string lost_cards_file;  // one card number a line; # starts a comment
  int swipe_poll_ms = 1000;     // pause between rounds of swipe polls
  int retry_max_minutes = 30;   // the longest back-off after failures
  std::string store_path = "icbusd.db";
  std::string listen = "127.0.0.1:8480";
  std::string token_file;  // the bearer token for requests that change state
  int max_connections = 16;
  CentralConfig central;
};

struct ConfigError {
  int line = 0, column = 0;  // 0 when the mistake has no place in the file
  std::string message;
};

// Reads and validates the site file; every mistake is reported, each with
// its place. The config is usable only when `errors` is empty.
SiteConfig LoadSiteFile(const std::string& path, std::vector<ConfigError>* errors);
// The same from text (`path` names it in messages).
SiteConfig ParseSiteText(const std::string& text, const std::string& path,
                         std::vector<ConfigError>* errors);

// "window", "attendance", "water", "topup", "desktop_topup", "timer".
const char* TerminalKindName(TerminalKind kind);
// Whether the kind is addressed with a management card.
bool NeedsManagementCard(TerminalKind kind);

}  // namespace icbus::site
