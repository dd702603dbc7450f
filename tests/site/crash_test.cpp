// icbusd killed with SIGKILL at random moments while it collects several
// buses, and started again each time: every record the simulators sent is
// stored exactly once, except at most one per kill on each bus (the one on
// that bus's wire, which only a terminal that drops what it sent can lose),
// and each of those shows as an interrupted download of its terminal. Prints the figures;
// ICBUSD_CRASH_KILLS and ICBUSD_CRASH_RECORDS make it larger
// (scripts/crash-figures.sh).
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "icbusd_process.h"

namespace icbus::site_test {
namespace {

int FromEnvironment(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

// The records a simulator handed over: the replies to "SC!" but the end marker.
std::set<std::string> SentRecords(const e2e::SimProcess& sim) {
  std::set<std::string> sent;
  bool asked = false;
  for (const std::string& frame : sim.Frames()) {
    if (frame == "> S SC!") {
      asked = true;
    } else if (asked && frame.rfind("< N ", 0) == 0 && frame != "< N OVER!") {
      sent.insert(frame.substr(4, frame.size() - 5));
      asked = false;
    } else {
      asked = false;
    }
  }
  return sent;
}

TEST(Crash, SigkillAtRandomMomentsLosesAtMostTheRecordOnTheWire) {
#ifdef ICBUS_SANITIZED
  const int kills = FromEnvironment("ICBUSD_CRASH_KILLS", 10);
#else
  const int kills = FromEnvironment("ICBUSD_CRASH_KILLS", 100);
#endif
  const int records = FromEnvironment("ICBUSD_CRASH_RECORDS", 150);
  const int buses = 3;
  Site site;
  for (int b = 0; b < buses; ++b) {
    // A terminal that drops what it sent (a kill can lose a record) and one
    // that hands everything over again each time (a kill loses nothing).
    std::string installation = R"({"devices": [
        {"type": "terminal", "machine": 1, "generate": )" +
                               std::to_string(records) +
                               R"(, "drops_sent": true},
        {"type": "terminal", "machine": 2, "generate": )" +
                               std::to_string(records / 5 + 1) + "}]}";
    SimBus& bus = site.AddBus("bus" + std::to_string(b), installation,
                              "[[bus.terminal]]\nmachine = 1\n[[bus.terminal]]\nmachine = 2\n");
    ASSERT_TRUE(bus.sim->running());
  }
  site.WriteSiteFile("[schedule]\ncollect_every_minutes = 1\n");
  std::mt19937 random(20261210);
  std::uniform_int_distribution<int> moment(50, 450);
  auto started = std::chrono::steady_clock::now();
  for (int kill = 0; kill < kills; ++kill) {
    ASSERT_GT(site.Start({"--config", site.site_file()}), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));
    site.Kill();
  }
  std::string log;
  ASSERT_EQ(site.Run({"--config", site.site_file(), "--once"}, &log, 110000), 0) << log;
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  auto store = site.OpenStore();
  std::size_t sent_total = 0, stored_total = 0, lost_total = 0, duplicated = 0;
  std::map<std::pair<std::string, int>, std::int64_t> interrupted;
  std::int64_t interrupted_downloads = 0;
  for (const auto& total : store->Totals("")) {
    interrupted[{total.key.bus, total.key.machine}] += total.interrupted;
    interrupted_downloads += total.interrupted;
  }
  for (auto& bus : site.buses()) {
    std::set<std::string> sent = SentRecords(*bus.sim);
    site::RecordFilter filter;
    filter.bus = bus.name;
    filter.limit = 1000000;
    std::map<std::string, int> stored;
    for (const auto& row : store->Records(filter)) {
      // The line as the library returns it: "20", the record, the machine.
      ++stored[row.line.substr(2, row.line.size() - 5)];
    }
    for (const auto& [line, count] : stored) {
      EXPECT_TRUE(sent.count(line)) << bus.name << " stored a record never sent: " << line;
      duplicated += static_cast<std::size_t>(count - 1);
    }
    std::map<int, int> lost_by_machine;
    for (const std::string& line : sent) {
      if (!stored.count(line))
        ++lost_by_machine[std::atoi(line.substr(line.size() - 8, 3).c_str())];
    }
    for (int machine : {1, 2}) {
      auto last = store->LastDownload({bus.name, machine, "consumption"});
      ASSERT_TRUE(last) << bus.name;
      EXPECT_EQ(last->outcome, "complete");
    }
    sent_total += sent.size();
    stored_total += stored.size();
    for (const auto& [machine, lost] : lost_by_machine) {
      lost_total += static_cast<std::size_t>(lost);
      EXPECT_LE(lost, (interrupted[{bus.name, machine}]))
          << bus.name << " terminal " << machine
          << ": a lost record without an interrupted download";
    }
  }
  std::printf(
      "crash test: %d kills in %.1f s, %d buses; records sent %zu, stored %zu, lost %zu, "
      "duplicated %zu; interrupted downloads %lld\n",
      kills, seconds, buses, sent_total, stored_total, lost_total, duplicated,
      static_cast<long long>(interrupted_downloads));
  EXPECT_EQ(duplicated, 0u);
  EXPECT_LE(lost_total, static_cast<std::size_t>(kills * buses));
  EXPECT_EQ(stored_total + lost_total, sent_total);
}

}  // namespace
}  // namespace icbus::site_test
