// Two sites, one ledger: two icbusd instances collect simulated
// installations while the central server is stopped and started at random
// moments and the services are killed without warning at random moments.
// At the end the central tables hold every locally stored row of each site
// exactly once, in the local order, and nothing is left unacknowledged.
// The figures are printed; ICBUS_OUTAGE_SEED repeats a run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <thread>

#include "central/migrations.h"
#include "central/pg_session.h"
#include "central_fixture.h"
#include "httplib.h"
#include "icbusd_process.h"
#include "local_store.h"
#include "nlohmann/json.hpp"

namespace icbus::central {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kBusesPerSite = 2;
constexpr int kRecordsPerTerminal = 60;  // at the start; more arrive while it runs
constexpr int kOutages = 10;
constexpr int kKills = 10;

struct SiteRun {
  std::string name;
  std::unique_ptr<site_test::Site> site;
  std::vector<std::string> controls;
  int kills = 0;
  void Start() { site->Start({"--config", site->site_file()}); }
  std::string store() const { return site->db(); }
  // The body of GET `path`; empty while the service does not answer.
  std::string Get(const std::string& path) const {
    const int port = site_test::ListenPort(*site, 2000);
    if (port <= 0) return "";
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(1);
    client.set_read_timeout(5);
    auto response = client.Get(path.c_str());
    return response && response->status == 200 ? response->body : "";
  }
  nlohmann::json Status() const {
    const std::string body = Get("/api/status");
    return body.empty() ? nlohmann::json() : nlohmann::json::parse(body, nullptr, false);
  }
};

// Each table: the key the comparison shows, locally and centrally.
struct Compared {
  const char* table;
  const char* local;
  const char* central;
};
const Compared kCompared[] = {
    {"records", "id || '|' || bus || '|' || run || '|' || position || '|' || line",
     "local_id || '|' || bus || '|' || run || '|' || position || '|' || line"},
    {"downloads", "id || '|' || outcome || '|' || records",
     "local_id || '|' || outcome || '|' || records"},
    {"events", "id || '|' || type", "local_id || '|' || type"},
    {"swipes", "id || '|' || line", "local_id || '|' || line"},
};

class OutageTest : public test_support::CentralTest {};

TEST_F(OutageTest, TwoSitesEndInOneLedgerExactlyOnce) {
  const unsigned seed = std::getenv("ICBUS_OUTAGE_SEED")
                            ? static_cast<unsigned>(std::atol(std::getenv("ICBUS_OUTAGE_SEED")))
                            : std::random_device{}();
  std::mt19937 random(seed);
  std::printf("outage test: seed %u\n", seed);
  const auto started = Clock::now();

  PgSession owner(Conninfo());
  PrepareSchema(owner);
  char pattern[] = "/tmp/icbus-outage-XXXXXX";
  ASSERT_TRUE(::mkdtemp(pattern));
  const std::string dir = pattern;
  std::ofstream(dir + "/pgpass") << "*:*:*:*:site-secret\n";
  ::chmod((dir + "/pgpass").c_str(), 0600);
  ::setenv("PGPASSFILE", (dir + "/pgpass").c_str(), 1);

  std::vector<SiteRun> sites(2);
  for (size_t s = 0; s < sites.size(); ++s) {
    SiteRun& run = sites[s];
    run.name = s == 0 ? "north" : "south";
    const std::string role = "outage_" + run.name;
    Psql("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '" + role +
         "') THEN CREATE ROLE " + role +
         " LOGIN PASSWORD 'site-secret' IN ROLE icbus_site, icbus_password; END IF; END $$; "
         "INSERT INTO icbus.site_roles VALUES ('" +
         run.name + "', '" + role + "')");
    run.site = std::make_unique<site_test::Site>();
    for (int b = 1; b <= kBusesPerSite; ++b) {
      const std::string bus = "bus" + std::to_string(b);
      run.controls.push_back(site_test::ControlPath(*run.site, bus));
      run.site->AddBus(bus,
                       R"({"devices": [{"type": "terminal", "machine": 1, "generate": )" +
                           std::to_string(kRecordsPerTerminal) + "}]}",
                       "[[bus.terminal]]\nmachine = 1\n", {"--control", run.controls.back()});
    }
    run.site->WriteSiteFile("[schedule]\ncollect_every_minutes = 1\n[central]\nconninfo = \"" +
                            Conninfo(role) + "\"\nsite = \"" + run.name +
                            "\"\nbatch = 25\nretry_max_seconds = 1\n");
    run.Start();
  }

  // Records keep arriving at the terminals all the while.
  std::atomic<bool> feeding{true};
  std::atomic<long long> added[2] = {{0}, {0}};
  std::thread feeder([&, feed = std::mt19937(seed + 1)]() mutable {
    while (feeding) {
      const size_t which = feed() % sites.size();
      SiteRun& run = sites[which];
      if (site_test::SayToSim(run.controls[feed() % run.controls.size()], "records 1 4")) {
        added[which] += 4;
      }
      std::this_thread::sleep_for(100ms);
    }
  });

  // Twenty disruptions in a random order, at random moments.
  std::vector<char> plan(kOutages, 'p');
  plan.insert(plan.end(), kKills, 'k');
  std::shuffle(plan.begin(), plan.end(), random);
  std::uniform_int_distribution<int> pause_ms(300, 1500), site_of(0, 1), immediate(0, 1);
  long long max_backlog = 0;
  auto watch = [&] {
    for (SiteRun& run : sites) {
      nlohmann::json status = run.Status();
      if (status.is_object() && status.contains("central")) {
        max_backlog = std::max<long long>(max_backlog, status["central"]["backlog"]);
      }
    }
  };
  for (char step : plan) {
    std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms(random)));
    watch();
    if (step == 'p') {
      server().Stop(immediate(random) == 1);
      std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms(random)));
      watch();
      server().Start();
    } else {
      SiteRun& run = sites[site_of(random)];
      run.site->Kill();
      ++run.kills;
      run.Start();
    }
  }
  feeding = false;
  feeder.join();
  const auto disrupted = Clock::now();

  // Then the sites run undisturbed until every record is stored and pushed:
  // a restart collects every terminal at once.
  for (SiteRun& run : sites) {
    EXPECT_EQ(run.site->Stop(SIGTERM), 0) << run.name;
    run.Start();
  }
  auto settled = [&](size_t s) {
    const long long expected = added[s] + kBusesPerSite * kRecordsPerTerminal;
    nlohmann::json status = sites[s].Status();
    return test_support::LocalQuery(sites[s].store(), "SELECT count(*) FROM records") ==
               std::to_string(expected) &&
           status.is_object() && status.contains("central") && status["central"]["backlog"] == 0;
  };
  const auto deadline = Clock::now() + 90s;
  while (Clock::now() < deadline && !(settled(0) && settled(1))) {
    std::this_thread::sleep_for(200ms);
  }
  const auto drained = Clock::now();
  for (size_t s = 0; s < sites.size(); ++s) {
    EXPECT_TRUE(settled(s)) << sites[s].name << ": not every record the simulators were given "
                            << "is stored and pushed";
  }
  for (SiteRun& run : sites) {
    const std::string metrics = run.Get("/metrics");
    EXPECT_NE(metrics.find("\nicbusd_central_backlog_rows 0\n"), std::string::npos) << metrics;
    EXPECT_NE(metrics.find("\nicbusd_central_up 1\n"), std::string::npos) << metrics;
  }
  for (SiteRun& run : sites) EXPECT_EQ(run.site->Stop(SIGTERM), 0) << run.name;

  // What the stop wrote was pushed on the way out; now compare everything.
  for (SiteRun& run : sites) {
    for (const Compared& c : kCompared) {
      const std::string local = test_support::LocalQuery(
          run.store(), std::string("SELECT ") + c.local + " FROM " + c.table + " ORDER BY id");
      const std::string central = Psql(std::string("SELECT coalesce(string_agg(") + c.central +
                                       ", E'\\n' ORDER BY local_id), '') FROM icbus." + c.table +
                                       " WHERE site = '" + run.name + "'");
      EXPECT_EQ(central, local) << run.name << " " << c.table;
    }
    // Arrival order is the local order: no row overtook an older one.
    EXPECT_EQ(Psql("SELECT count(*) FROM (SELECT local_id < lag(local_id) OVER (PARTITION BY "
                   "site ORDER BY arrival) AS back FROM icbus.records WHERE site = '" +
                   run.name + "') r WHERE back"),
              "0");
  }

  const auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
  for (SiteRun& run : sites) {
    auto local = [&](const std::string& what) {
      return test_support::LocalQuery(run.store(), "SELECT count(*) FROM " + what);
    };
    std::printf(
        "outage test: site %s: %s records, %s downloads (%s interrupted), %s events "
        "(%s central_lost, %s central_back), killed %d times; central: %s records\n",
        run.name.c_str(), local("records").c_str(), local("downloads").c_str(),
        local("downloads WHERE outcome = 'interrupted'").c_str(), local("events").c_str(),
        local("events WHERE type = 'central_lost'").c_str(),
        local("events WHERE type = 'central_back'").c_str(), run.kills,
        Psql("SELECT count(*) FROM icbus.records WHERE site = '" + run.name + "'").c_str());
  }
  std::printf(
      "outage test: %d server stops, %d kills, %lld records added while "
      "running, largest backlog seen %lld rows; disruptions %.1f s, then settled in %.1f s; "
      "%.1f s in all\n",
      kOutages, kKills, added[0] + added[1], max_backlog, seconds(disrupted - started),
      seconds(drained - disrupted), seconds(Clock::now() - started));
  if (!HasFailure()) std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace icbus::central
