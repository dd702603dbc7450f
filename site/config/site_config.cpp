#include "config/site_config.h"

#include <toml++/toml.h>

#include <fstream>
#include <set>
#include <sstream>

#include "collect/record_kinds.h"

namespace icbus::site {

namespace {

struct KindName {
  TerminalKind kind;
  const char* name;
};
const KindName kKindNames[] = {
    {TerminalKind::kWindow, "window"},
    {TerminalKind::kAttendance, "attendance"},
    {TerminalKind::kWater, "water"},
    {TerminalKind::kTopUp, "topup"},
    {TerminalKind::kDesktopTopUp, "desktop_topup"},
    {TerminalKind::kTimer, "timer"},
};

// Collects mistakes with the place of the node they are about.
class Checker {
 public:
  explicit Checker(std::vector<ConfigError>* errors) : errors_(errors) {}

  void Fail(const toml::source_region& where, const std::string& message) {
    errors_->push_back(
        {static_cast<int>(where.begin.line), static_cast<int>(where.begin.column), message});
  }
  // Every key of `table` must be one of `known`: a misspelt key never passes.
  void OnlyKeys(const toml::table& table, const std::string& section,
                std::initializer_list<const char*> known) {
    for (const auto& [key, node] : table) {
      bool found = false;
      for (const char* name : known) found = found || key.str() == name;
      if (!found)
        Fail(key.source(), "unknown key \"" + std::string(key.str()) + "\" in " + section);
    }
  }
  template <typename T>
  std::optional<T> Get(const toml::table& table, const char* key, const char* type_name) {
    const toml::node* node = table.get(key);
    if (!node) return std::nullopt;
    if (auto value = node->value<T>()) return value;
    Fail(node->source(), std::string("\"") + key + "\" must be " + type_name);
    return std::nullopt;
  }
  std::optional<int> Int(const toml::table& table, const char* key, long long low, long long high) {
    const toml::node* node = table.get(key);
    if (!node) return std::nullopt;
    auto value = node->as_integer();
    if (!value || value->get() < low || value->get() > high) {
      Fail(node->source(), std::string("\"") + key + "\" must be a whole number from " +
                               std::to_string(low) + " to " + std::to_string(high));
      return std::nullopt;
    }
    return static_cast<int>(value->get());
  }
  const toml::table* Table(const toml::table& parent, const char* key) {
    const toml::node* node = parent.get(key);
    if (!node) return nullptr;
    if (!node->is_table()) Fail(node->source(), std::string("[") + key + "] must be a table");
    return node->as_table();
  }
  void ReadSchedule(const toml::table& table, const char* every, const char* at, Schedule* out) {
    if (auto minutes = Int(table, every, 0, 7 * 24 * 60)) out->every_minutes = *minutes;
    const toml::node* node = table.get(at);
    if (!node) return;
    const toml::array* times = node->as_array();
    if (!times) {
      Fail(node->source(), std::string("\"") + at + "\" must be a list of times such as \"06:30\"");
      return;
    }
    for (const toml::node& item : *times) {
      auto text = item.value<std::string>();
      int hours = -1, minutes = -1;
      char tail = 0;
      if (!text || text->size() != 5 ||
          std::sscanf(text->c_str(), "%2d:%2d%c", &hours, &minutes, &tail) != 2 || hours > 23 ||
          minutes > 59 || hours < 0 || minutes < 0) {
        Fail(item.source(),
             std::string("a time in \"") + at + "\" must read HH:MM (00:00 to 23:59)");
        continue;
      }
      out->at_minutes.push_back(hours * 60 + minutes);
    }
  }

 private:
  std::vector<ConfigError>* errors_;
};

void ReadTerminal(Checker& check, const toml::table& table, const std::string& bus,
                  TerminalConfig* out) {
  std::string section = "a terminal of bus \"" + bus + "\"";
  check.OnlyKeys(table, section, {"machine", "kind", "management_card", "records", "clear"});
  if (auto machine = check.Int(table, "machine", 0, 999)) {
    out->machine = *machine;
  } else if (!table.get("machine")) {
    check.Fail(table.source(), section + " needs \"machine\" (its bus address, 0 to 999)");
  }
  if (const toml::node* node = table.get("kind")) {
    auto name = node->value<std::string>();
    bool known = false;
    for (const KindName& kind : kKindNames) {
      if (name && *name == kind.name) {
        out->kind = kind.kind;
        known = true;
      }
    }
    if (!known) {
      check.Fail(node->source(),
                 "\"kind\" must be window, attendance, water, topup, desktop_topup or timer");
    }
  }
  if (auto card = check.Int(table, "management_card", 0, 999999)) out->management_card = *card;
  if (NeedsManagementCard(out->kind) && !out->management_card) {
    check.Fail(table.source(), "terminal " + std::to_string(out->machine) + " (" +
                                   TerminalKindName(out->kind) +
                                   ") needs \"management_card\" (0 to 999999)");
  }
  std::vector<std::string> allowed = RecordKindsOf(out->kind);
  if (const toml::node* node = table.get("records")) {
    const toml::array* list = node->as_array();
    if (!list) check.Fail(node->source(), "\"records\" must be a list such as [\"consumption\"]");
    for (std::size_t i = 0; list && i < list->size(); ++i) {
      auto name = (*list)[i].value<std::string>();
      bool fits = false;
      for (const std::string& kind : allowed) fits = fits || (name && *name == kind);
      if (!fits) {
        std::string choices;
        for (const std::string& kind : allowed) choices += (choices.empty() ? "" : ", ") + kind;
        check.Fail((*list)[i].source(), std::string("a ") + TerminalKindName(out->kind) +
                                            " terminal hands over only: " + choices);
        continue;
      }
      out->records.push_back(*name);
    }
  } else {
    out->records.push_back(allowed.front());
  }
  if (auto clear = check.Get<bool>(table, "clear", "true or false")) out->clear = *clear;
  if (out->clear && !RecordKindByName(allowed.front())->counted) {
    check.Fail(table.get("clear")->source(),
               std::string("a ") + TerminalKindName(out->kind) +
                   " terminal answers no record count, so it cannot be cleared safely");
  }
}

void ReadBus(Checker& check, const toml::table& table, std::size_t index, BusConfig* out) {
  check.OnlyKeys(
      table, "[[bus]]",
      {"name", "port", "device", "decimals", "swipes", "fast_replies", "settle_ms", "terminal"});
  out->name =
      check.Get<std::string>(table, "name", "a text").value_or("bus" + std::to_string(index + 1));
  if (auto port = check.Int(table, "port", 1, 255)) out->port = *port;
  if (auto device = check.Get<std::string>(table, "device", "a device path")) out->device = *device;
  if ((out->port != 0) == !out->device.empty()) {
    check.Fail(table.source(),
               "bus \"" + out->name + "\" needs exactly one of \"port\" (1 to 255) and \"device\"");
  }
  if (auto decimals = check.Int(table, "decimals", 1, 2)) out->decimals = *decimals;
  if (auto swipes = check.Get<bool>(table, "swipes", "true or false")) out->swipes = *swipes;
  if (auto fast = check.Get<bool>(table, "fast_replies", "true or false"))
    out->fast_replies = *fast;
  if (auto settle = check.Int(table, "settle_ms", 0, 60000)) out->settle_ms = *settle;
  const toml::node* terminals = table.get("terminal");
  const toml::array* list = terminals ? terminals->as_array() : nullptr;
  if (!list || list->empty()) {
    check.Fail(terminals ? terminals->source() : table.source(),
               "bus \"" + out->name + "\" needs at least one [[bus.terminal]]");
    return;
  }
  std::set<int> machines;
  for (const toml::node& node : *list) {
    const toml::table* terminal = node.as_table();
    if (!terminal) {
      check.Fail(node.source(), "[[bus.terminal]] entries must be tables");
      continue;
    }
    TerminalConfig config;
    ReadTerminal(check, *terminal, out->name, &config);
    if (!machines.insert(config.machine).second) {
      check.Fail(terminal->source(), "terminal " + std::to_string(config.machine) +
                                         " appears twice on bus \"" + out->name + "\"");
    }
    out->terminals.push_back(config);
  }
}

void ReadCentral(Checker& check, const toml::table& table, CentralConfig* out) {
  check.OnlyKeys(table, "[central]",
                 {"conninfo", "site", "batch", "drain_seconds", "retry_max_seconds"});
  if (auto conninfo = check.Get<std::string>(table, "conninfo", "a libpq connection string")) {
    out->conninfo = *conninfo;
    out->line = static_cast<int>(table.get("conninfo")->source().begin.line);
    out->column = static_cast<int>(table.get("conninfo")->source().begin.column);
  }
  if (auto site = check.Get<std::string>(table, "site", "a text")) out->site = *site;
  if (out->conninfo.empty() || out->site.empty()) {
    check.Fail(table.source(), "[central] needs \"conninfo\" and \"site\" (the site's name)");
  }
  if (auto batch = check.Int(table, "batch", 1, 5000)) out->batch = *batch;
  if (auto seconds = check.Int(table, "drain_seconds", 0, 3600)) out->drain_seconds = *seconds;
  if (auto seconds = check.Int(table, "retry_max_seconds", 1, 3600)) {
    out->retry_max_seconds = *seconds;
  }
}

}  // namespace

const char* TerminalKindName(TerminalKind kind) {
  for (const KindName& entry : kKindNames) {
    if (entry.kind == kind) return entry.name;
  }
  return "window";
}

bool NeedsManagementCard(TerminalKind kind) {
  return kind == TerminalKind::kTopUp || kind == TerminalKind::kDesktopTopUp;
}

SiteConfig ParseSiteText(const std::string& text, const std::string& path,
                         std::vector<ConfigError>* errors) {
  SiteConfig config;
  config.path = path;
  // Debian's toml++ is built with exceptions: a syntax error throws.
  toml::table root;
  try {
    root = toml::parse(text, path);
  } catch (const toml::parse_error& error) {
    errors->push_back({static_cast<int>(error.source().begin.line),
                       static_cast<int>(error.source().begin.column),
                       std::string(error.description())});
    return config;
  }
  Checker check(errors);
  check.OnlyKeys(root, "the site file",
                 {"service", "store", "http", "schedule", "bus", "central"});
  if (const toml::table* service = check.Table(root, "service")) {
    check.OnlyKeys(*service, "[service]", {"swipe_poll_ms", "retry_max_minutes"});
    if (auto ms = check.Int(*service, "swipe_poll_ms", 50, 600000)) config.swipe_poll_ms = *ms;
    if (auto minutes = check.Int(*service, "retry_max_minutes", 1, 1440)) {
      config.retry_max_minutes = *minutes;
    }
  }
  if (const toml::table* store = check.Table(root, "store")) {
    check.OnlyKeys(*store, "[store]", {"path"});
    if (auto db = check.Get<std::string>(*store, "path", "a file path")) config.store_path = *db;
  }
  if (const toml::table* http = check.Table(root, "http")) {
    check.OnlyKeys(*http, "[http]", {"listen", "token_file", "max_connections"});
    if (auto listen = check.Get<std::string>(*http, "listen", "HOST:PORT")) config.listen = *listen;
    if (auto token = check.Get<std::string>(*http, "token_file", "a file path")) {
      config.token_file = *token;
    }
    if (auto most = check.Int(*http, "max_connections", 1, 256)) config.max_connections = *most;
  }
  if (const toml::table* schedule = check.Table(root, "schedule")) {
    check.OnlyKeys(*schedule, "[schedule]",
                   {"collect_every_minutes", "collect_at", "clock_every_minutes", "clock_at",
                    "lists_every_minutes", "lists_at", "lost_cards_file"});
    check.ReadSchedule(*schedule, "collect_every_minutes", "collect_at", &config.collect);
    check.ReadSchedule(*schedule, "clock_every_minutes", "clock_at", &config.clock);
    check.ReadSchedule(*schedule, "lists_every_minutes", "lists_at", &config.lists);
    if (auto file = check.Get<std::string>(*schedule, "lost_cards_file", "a file path")) {
      config.lost_cards_file = *file;
    }
    if (!config.lists.Empty() && config.lost_cards_file.empty()) {
      check.Fail(schedule->source(), "a lists schedule needs \"lost_cards_file\"");
    }
  }
  if (const toml::table* central = check.Table(root, "central")) {
    ReadCentral(check, *central, &config.central);
  }
  const toml::node* buses = root.get("bus");
  const toml::array* list = buses ? buses->as_array() : nullptr;
  if (!list || list->empty()) {
    errors->push_back({buses ? static_cast<int>(buses->source().begin.line) : 0,
                       buses ? static_cast<int>(buses->source().begin.column) : 0,
                       "the site file needs at least one [[bus]]"});
    return config;
  }
  std::set<std::string> names;
  for (std::size_t i = 0; i < list->size(); ++i) {
    const toml::table* bus = (*list)[i].as_table();
    if (!bus) continue;
    BusConfig config_bus;
    ReadBus(check, *bus, i, &config_bus);
    if (!names.insert(config_bus.name).second) {
      check.Fail(bus->source(), "two buses are named \"" + config_bus.name + "\"");
    }
    config.buses.push_back(config_bus);
  }
  return config;
}

SiteConfig LoadSiteFile(const std::string& path, std::vector<ConfigError>* errors) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    errors->push_back({0, 0, "cannot read " + path});
    return SiteConfig{};
  }
  std::stringstream text;
  text << file.rdbuf();
  return ParseSiteText(text.str(), path, errors);
}

}  // namespace icbus::site
