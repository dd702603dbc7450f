// icbusd: the site's collection service.
//
//   icbusd --config FILE [--db PATH] [--listen HOST:PORT] [--once]
//   icbusd --config FILE --migrate-central
//   icbusd --check FILE
//
// Exit status: 0 done (with --once: every download complete), 1 a download
// of --once was not complete, 2 a mistake in the command line or the site
// file, 3 the store or the listener could not be opened, 4 --once could not
// push the whole backlog to the central store in time (or --migrate-central
// failed).
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "central_link.h"
#include "config/site_config.h"
#include "http_api.h"
#include "log/journal_log.h"
#include "site_service.h"
#include "store/store.h"
#include "systemd_notify.h"

namespace {

using icbus::site::LogError;
using icbus::site::LogInfo;

struct Options {
  std::string config, check, db, listen;
  bool once = false, migrate_central = false;
};

constexpr const char* kUsage =
    "usage: icbusd --config FILE [--db PATH] [--listen HOST:PORT] [--once]\n"
    "       icbusd --config FILE --migrate-central\n"
    "       icbusd --check FILE\n";

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string* target) {
      if (i + 1 >= argc) return false;
      *target = argv[++i];
      return true;
    };
    bool ok = arg == "--config"   ? value(&options->config)
              : arg == "--check"  ? value(&options->check)
              : arg == "--db"     ? value(&options->db)
              : arg == "--listen" ? value(&options->listen)
              : arg == "--once"   ? (options->once = true)
              : arg == "--migrate-central" ? (options->migrate_central = true)
                                           : false;
    if (!ok) {
      std::fprintf(stderr, "icbusd: %s %s\n%s", arg.c_str(),
                   arg.rfind("--", 0) == 0 ? "needs a value or is unknown" : "is not an option",
                   kUsage);
      return false;
    }
  }
  if (options->config.empty() == options->check.empty()) {
    std::fputs(kUsage, stderr);
    return false;
  }
  return true;
}

bool Load(const std::string& path, icbus::site::SiteConfig* config) {
  std::vector<icbus::site::ConfigError> errors;
  *config = icbus::site::LoadSiteFile(path, &errors);
  for (auto& error : icbus::service::CentralLink::Check(*config)) errors.push_back(error);
  for (const auto& error : errors) {
    std::fprintf(stderr, "%s:%d:%d: %s\n", path.c_str(), error.line, error.column,
                 error.message.c_str());
  }
  return errors.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) return 2;
  icbus::site::SiteConfig config;
  if (!options.check.empty()) {
    if (!Load(options.check, &config)) return 2;
    std::size_t terminals = 0;
    for (const auto& bus : config.buses) terminals += bus.terminals.size();
    std::printf("%s: good: %zu buses, %zu terminals\n", options.check.c_str(), config.buses.size(),
                terminals);
    return 0;
  }
  if (!Load(options.config, &config)) return 2;
  if (!options.db.empty()) config.store_path = options.db;
  if (!options.listen.empty()) config.listen = options.listen;
  if (options.migrate_central) {
    if (config.central.conninfo.empty()) {
      LogError(options.config + " has no [central] section");
      return 2;
    }
    try {
      LogInfo(icbus::service::CentralLink::Migrate(config));
      return 0;
    } catch (const std::exception& e) {
      LogError(e.what());
      return 4;
    }
  }

  // Signals are taken by the main thread alone, between the workers' jobs.
  sigset_t signals;
  sigemptyset(&signals);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&signals, sig);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::string error;
  std::string token;
  if (!config.token_file.empty() && !icbus::service::ReadToken(config.token_file, &token, &error)) {
    LogError(error);
    return 2;
  }
  auto store = icbus::site::OpenSqliteStore(config.store_path, &error);
  if (!store) {
    LogError(error);
    return 3;
  }
  if (int interrupted = store->MarkInterrupted()) {
    store->AddEvent(
        "", std::nullopt, "interrupted",
        std::to_string(interrupted) + " downloads were left running by a stop without warning");
    LogInfo(std::to_string(interrupted) + " interrupted downloads marked");
  }
  icbus::service::SiteService site(config, std::move(store));
  // Its own thread and connections: the workers never wait for it.
  std::unique_ptr<icbus::service::CentralLink> central;
  if (!config.central.conninfo.empty()) {
    central = std::make_unique<icbus::service::CentralLink>(config);
    site.SetCentralStatus([link = central.get()] { return link->Status(); });
    central->Start();
  }

  if (options.once) {
    bool complete = site.RunOnce();
    LogInfo(complete ? "every download complete" : "not every download was complete");
    if (central && !central->Drain(std::chrono::seconds(config.central.drain_seconds))) {
      const auto status = central->Status();
      LogError("the central store did not take the whole backlog within " +
               std::to_string(config.central.drain_seconds) + " s: " +
               std::to_string(status.backlog) + " rows left" +
               (status.last_error.empty() ? "" : " (" + status.last_error + ")"));
      return complete ? 4 : 1;
    }
    return complete ? 0 : 1;
  }

  icbus::service::HttpApi api(site, token, config.max_connections);
  if (!api.Bind(config.listen, &error)) {
    LogError(error);
    return 3;
  }
  std::thread http([&api] { api.Serve(); });
  site.store().AddEvent("", std::nullopt, "started",
                        "listening on port " + std::to_string(api.port()));
  site.Start();
  LogInfo("icbusd listening on " + config.listen.substr(0, config.listen.rfind(':')) + ":" +
          std::to_string(api.port()) + ", " + std::to_string(config.buses.size()) +
          " buses, store " + config.store_path);
  icbus::service::NotifyReady();

  auto watchdog = icbus::service::WatchdogInterval();
  timespec wait{1, 0};
  if (watchdog) {
    wait.tv_sec = static_cast<time_t>(watchdog->count() / 1000000);
    wait.tv_nsec = static_cast<long>(watchdog->count() % 1000000) * 1000;
  }
  for (;;) {
    int sig = sigtimedwait(&signals, nullptr, &wait);
    if (watchdog) icbus::service::NotifyWatchdog();
    if (sig == SIGHUP) {
      icbus::service::NotifyReloading();
      site.Reload();
      icbus::service::NotifyReady();
    } else if (sig == SIGTERM || sig == SIGINT) {
      LogInfo(std::string("stopping on ") + strsignal(sig));
      break;
    }
  }
  icbus::service::NotifyStopping();
  site.Stop();  // the record in flight is finished and committed, the terminal released
  site.store().AddEvent("", std::nullopt, "stopped", "stopped on a signal");
  // What the stop itself wrote goes too, if the central store answers at once.
  if (central) central->Drain(std::chrono::seconds(2));
  api.Stop();
  http.join();
  return 0;
}
