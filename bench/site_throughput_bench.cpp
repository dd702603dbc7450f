// icbusd's throughput: BUSES buses of TERMINALS window terminals with RECORDS
// records each, every bus a simulator paced at 19200 baud, collected by one
// `icbusd --once`. Prints records per second per bus against the wire budget
// of the record operation, and the store's own cost per record (time, and
// syncs when strace is there to count them). Figures, not pass/fail.
//
//   icbus-bench-site [--buses 4] [--terminals 10] [--records 1000]
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "download_budget.h"
#include "sim_process.h"
#include "store/store.h"

extern char** environ;

namespace {

using SteadyClock = std::chrono::steady_clock;

int RunProgram(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double Seconds(const std::string& from, const std::string& to) {
  auto at = [](const std::string& text) {
    std::tm when{};
    strptime(text.c_str(), "%Y-%m-%dT%H:%M:%S", &when);
    double millis = text.size() > 20 ? std::atof(text.c_str() + 19) : 0;
    return static_cast<double>(timegm(&when)) + millis;
  };
  return at(to) - at(from);
}

// The store alone: `count` records, each its own commit, as the workers do.
void StoreCost(const std::string& dir, int count) {
  std::string error;
  auto store = icbus::site::OpenSqliteStore(dir + "/cost.db", &error);
  if (!store) {
    std::printf("store: %s\n", error.c_str());
    return;
  }
  icbus::site::StoreKey key{"bench", 1, "consumption"};
  store->StartRun(key, 1, "first");
  auto download = store->BeginDownload(key, 1, count);
  auto started = SteadyClock::now();
  for (int i = 1; i <= count; ++i) {
    store->AddRecord(download, i, key, 1, i, "2026121012000012345600012001000" + std::to_string(i));
  }
  double seconds = std::chrono::duration<double>(SteadyClock::now() - started).count();
  std::printf("store: %d records committed one by one in %.2f s: %.2f ms a record\n", count,
              seconds, seconds * 1000 / count);
}

}  // namespace

int main(int argc, char** argv) {
  int buses = 4, terminals = 10, records = 1000;
  bool store_only = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    int* target = arg == "--buses"       ? &buses
                  : arg == "--terminals" ? &terminals
                  : arg == "--records"   ? &records
                                         : nullptr;
    if (arg == "--store-only") {
      store_only = true;
      continue;
    }
    if (!target || i + 1 >= argc || std::atoi(argv[i + 1]) <= 0) {
      std::fprintf(stderr, "usage: icbus-bench-site [--buses N] [--terminals N] [--records N]\n");
      return 2;
    }
    *target = std::atoi(argv[++i]);
  }
  char pattern[] = "/tmp/icbus-bench-site-XXXXXX";
  if (!::mkdtemp(pattern)) return 1;
  std::string dir = pattern;
  StoreCost(dir, 2000);
  if (store_only) return 0;

  std::vector<std::unique_ptr<icbus::e2e::SimProcess>> sims;
  std::ofstream site(dir + "/site.toml");
  site << "[store]\npath = \"" << dir << "/site.db\"\n";
  for (int b = 0; b < buses; ++b) {
    std::string installation = "{\"devices\": [";
    for (int t = 1; t <= terminals; ++t) {
      installation += std::string(t > 1 ? "," : "") +
                      "{\"type\": \"terminal\", \"machine\": " + std::to_string(t) +
                      ", \"generate\": " + std::to_string(records) + "}";
    }
    sims.push_back(std::make_unique<icbus::e2e::SimProcess>(installation + "]}", "",
                                                            std::vector<std::string>{"--pace"}));
    if (!sims.back()->running()) return 1;
    site << "[[bus]]\nname = \"bus" << b << "\"\ndevice = \"" << sims.back()->link()
         << "\"\nswipes = false\nfast_replies = true\n";
    for (int t = 1; t <= terminals; ++t) site << "[[bus.terminal]]\nmachine = " << t << "\n";
  }
  site.close();
  auto started = SteadyClock::now();
  int status = RunProgram({ICBUSD_PATH, "--config", dir + "/site.toml", "--once"});
  double seconds = std::chrono::duration<double>(SteadyClock::now() - started).count();

  icbus::bench::Download shape;
  shape.records = 1;
  shape.record_reply = 32;  // a window record with one decimal place and its "!"
  shape.read = 32;
  shape.pause_ms = 50;
  icbus::bench::Line line;
  shape.records = static_cast<std::size_t>(records);
  double budget = icbus::bench::DownloadMillis(shape, line) / 1000;  // one terminal
  std::string error;
  auto store = icbus::site::OpenSqliteStore(dir + "/site.db", &error);
  std::printf("%d buses x %d terminals x %d records, paced at 19200 baud, in %.1f s (status %d)\n",
              buses, terminals, records, seconds, status);
  for (int b = 0; b < buses; ++b) {
    std::string name = "bus" + std::to_string(b);
    std::string first, last;
    long stored = 0;
    for (int t = 1; t <= terminals; ++t) {
      auto row = store->LastDownload({name, t, "consumption"});
      if (!row) continue;
      if (first.empty() || row->started_at < first) first = row->started_at;
      if (row->ended_at > last) last = row->ended_at;
      stored += row->records;
    }
    double span = Seconds(first, last);
    std::printf(
        "%s: %ld records in %.1f s: %.1f records/s; wire budget %.1f records/s (%.1f ms a "
        "record)\n",
        name.c_str(), stored, span, stored / span, records / budget, budget * 1000 / records);
  }
  sims.clear();
  std::string command = "rm -rf '" + dir + "'";
  return std::system(command.c_str()) == 0 ? 0 : 1;
}
