// icbus-bench-central: how fast the outbox pushes a site's records to a
// PostgreSQL server of its own (fsync on), and how long the backlog of an
// outage takes to drain while the buses keep collecting.
//
//   icbus-bench-central [--rows N] [--batches 25,100,500,2000]
//                       [--minutes M] [--buses B] [--store-dir DIR]
//
// The outage's backlog is what B buses collect in M minutes at the wire's
// pace for consumption records at 19200 baud (the download budget). It is
// written through the store's own calls, as the collector writes each
// record (a download, then each record committed on its own), without the
// line, so ten minutes of records take seconds. Then the central store
// comes back: the pusher drains the backlog while B threads keep adding
// records at the buses' pace, and the time until it has caught up is the
// drain time. The local store lives in DIR (default /dev/shm, where a
// commit costs no disk flush: the figures are the push's, not the disk's).
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "central/migrations.h"
#include "central/pg_session.h"
#include "central/pusher.h"
#include "download_budget.h"
#include "pg_server.h"
#include "store/store.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Options {
  long rows = 50000;
  std::vector<int> batches = {25, 100, 500, 2000};
  double minutes = 10;
  int buses = 4;
  std::string store_dir = "/dev/shm";
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// A consumption record download at the wire's pace: 32-byte reads, a 33-byte
// reply with its "!", a 50 ms pause before each read.
double RecordsPerSecondPerBus() {
  icbus::bench::Download shape;
  shape.records = 1000;
  shape.record_reply = 33;
  shape.read = 32;
  shape.pause_ms = 50;
  return 1000.0 * 1000.0 / icbus::bench::DownloadMillis(shape, icbus::bench::Line{});
}

// Writes `count` records of bus `bus` as the collector does, in downloads
// of up to 500; `pace` > 0 spreads them at that many a second.
void Collect(icbus::site::Store& store, const std::string& bus, long count, double pace,
             const std::atomic<bool>* stop = nullptr) {
  const icbus::site::StoreKey key{bus, 1, "consumption"};
  int run = 0, stored = 0;
  store.CurrentRun(key, &run, &stored);
  if (run == 0) store.StartRun(key, run = 1, "first");
  const auto start = Clock::now();
  long done = 0;
  while (done < count && !(stop && *stop)) {
    const int in_this = static_cast<int>(std::min<long>(500, count - done));
    const std::int64_t download = store.BeginDownload(key, run, std::nullopt);
    for (int i = 1; i <= in_this && !(stop && *stop); ++i) {
      char line[64];
      std::snprintf(line, sizeof line, "20%08d%06ld0000012350", ++stored, done % 1000000);
      store.AddRecord(download, i, key, run, stored, line);
      ++done;
      if (pace > 0)
        std::this_thread::sleep_until(start + std::chrono::duration<double>(done / pace));
    }
    store.FinishDownload(download, "complete", std::nullopt, in_this, in_this, "");
  }
}

std::unique_ptr<icbus::site::Store> OpenStore(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
  std::string error;
  auto store = icbus::site::OpenSqliteStore(path, &error);
  if (!store) {
    std::fprintf(stderr, "icbus-bench-central: %s\n", error.c_str());
    std::exit(1);
  }
  return store;
}

icbus::central::PusherOptions PusherFor(const icbus::test_support::PgServer& server,
                                        const std::string& db, const std::string& store,
                                        int batch) {
  icbus::central::PusherOptions options;
  options.store_path = store;
  options.conninfo = server.Conninfo("postgres", db);
  options.site = "bench";
  options.batch = batch;
  options.idle = 20ms;
  options.retry_first = 100ms;
  options.retry_max = 1000ms;
  return options;
}

void FreshDatabase(icbus::test_support::PgServer& server, const std::string& db) {
  server.Psql("DROP DATABASE IF EXISTS " + db);
  server.Psql("CREATE DATABASE " + db);
  icbus::central::PgSession session(server.Conninfo("postgres", db));
  icbus::central::Migrate(session);
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i], value = argv[i + 1];
    if (arg == "--rows") {
      options->rows = std::atol(value.c_str());
    } else if (arg == "--minutes") {
      options->minutes = std::atof(value.c_str());
    } else if (arg == "--buses") {
      options->buses = std::atoi(value.c_str());
    } else if (arg == "--store-dir") {
      options->store_dir = value;
    } else if (arg == "--batches") {
      options->batches.clear();
      std::stringstream list(value);
      for (std::string item; std::getline(list, item, ',');) {
        options->batches.push_back(std::atoi(item.c_str()));
      }
    } else {
      return false;
    }
  }
  if (argc % 2 == 0 || options->rows <= 0 || options->buses <= 0 || options->minutes < 0) {
    return false;
  }
  for (int batch : options->batches) {
    if (batch < 1 || batch > 5000) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr,
                 "usage: icbus-bench-central [--rows N] [--batches 25,100,500,2000] "
                 "[--minutes M] [--buses B] [--store-dir DIR]\n");
    return 2;
  }
  const std::string missing = icbus::test_support::PgServer::MissingReason();
  if (!missing.empty()) {
    std::printf("icbus-bench-central: skipped: %s\n", missing.c_str());
    return 77;
  }
  icbus::test_support::PgServer server(/*durable=*/true);
  const std::string store_path =
      options.store_dir + "/icbus-bench-central-" + std::to_string(::getpid()) + ".db";

  // Throughput: the same records pushed afresh with each batch size.
  auto store = OpenStore(store_path);
  auto started = Clock::now();
  Collect(*store, "bus1", options.rows, 0);
  std::printf("icbus-bench-central: PostgreSQL on a Unix socket, fsync on; local store in %s\n",
              options.store_dir.c_str());
  std::printf("  filled the local store with %ld records in %.2f s (%.0f records/s)\n",
              options.rows, Seconds(Clock::now() - started),
              options.rows / Seconds(Clock::now() - started));
  for (int batch : options.batches) {
    FreshDatabase(server, "throughput");
    {
      // A new cursor: as if this central store had never seen the site.
      icbus::central::PusherOptions pusher_options =
          PusherFor(server, "throughput", store_path, batch);
      pusher_options.site = "bench" + std::to_string(batch);
      icbus::central::Pusher pusher(pusher_options);
      started = Clock::now();
      pusher.Start();
      if (!pusher.Drain(600s)) {
        std::printf("  batch %5d: did not drain: %s\n", batch, pusher.Status().last_error.c_str());
        continue;
      }
      const double took = Seconds(Clock::now() - started);
      const auto status = pusher.Status();
      std::printf("  batch %5d: %7ld rows in %6.2f s  %8.0f rows/s  (%ld transactions)\n", batch,
                  static_cast<long>(status.pushed), took, status.pushed / took,
                  static_cast<long>(status.batches));
    }
  }
  store.reset();

  // The outage: a backlog of `minutes` of busy buses, drained while they
  // keep collecting.
  const double per_bus = RecordsPerSecondPerBus();
  const long backlog = static_cast<long>(per_bus * options.buses * options.minutes * 60.0 + 0.5) /
                       options.buses * options.buses;
  store = OpenStore(store_path);
  started = Clock::now();
  {
    std::vector<std::thread> buses;
    for (int b = 0; b < options.buses; ++b) {
      buses.emplace_back(
          [&, b] { Collect(*store, "bus" + std::to_string(b + 1), backlog / options.buses, 0); });
    }
    for (std::thread& t : buses) t.join();
  }
  std::printf(
      "  outage: %d buses x %.1f records/s (consumption records at the wire's pace) x %.1f min "
      "= %ld records, written in %.2f s\n",
      options.buses, per_bus, options.minutes, backlog, Seconds(Clock::now() - started));
  const int batch = options.batches.empty() ? 500 : options.batches.back();
  FreshDatabase(server, "outage");
  std::atomic<bool> stop{false};
  std::vector<std::thread> buses;
  for (int b = 0; b < options.buses; ++b) {
    buses.emplace_back(
        [&, b] { Collect(*store, "bus" + std::to_string(b + 1), 1L << 40, per_bus, &stop); });
  }
  icbus::central::Pusher pusher(PusherFor(server, "outage", store_path, batch));
  started = Clock::now();
  pusher.Start();
  // Caught up: the backlog is down to what the buses add between two looks.
  double caught_up = -1;
  long long peak = 0;
  while (Seconds(Clock::now() - started) < 600) {
    std::this_thread::sleep_for(20ms);
    const auto status = pusher.Status();
    peak = std::max<long long>(peak, status.backlog);
    if (status.batches > 0 && status.backlog >= 0 && status.backlog <= options.buses * 10) {
      caught_up = Seconds(Clock::now() - started);
      break;
    }
  }
  stop = true;
  for (std::thread& t : buses) t.join();
  const auto status = pusher.Status();
  std::printf(
      "  drain: batch %d, %d buses still collecting (%.0f records/s): backlog of %ld caught up "
      "in %.2f s (%lld rows pushed, %.0f rows/s)\n",
      batch, options.buses, per_bus * options.buses, backlog, caught_up,
      static_cast<long long>(status.pushed), caught_up > 0 ? status.pushed / caught_up : 0.0);
  pusher.Stop();
  store.reset();
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((store_path + suffix).c_str());
  return caught_up > 0 ? 0 : 1;
}
