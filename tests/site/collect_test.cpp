// icbusd --once against simulated terminals: every record stored once,
// whatever the terminal does, and a terminal cleared only when it is safe.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

#include "icbus.hpp"
#include "icbusd_process.h"

namespace icbus::site_test {
namespace {

std::vector<std::string> Lines(site::Store& store, int machine) {
  site::RecordFilter filter;
  filter.machine = machine;
  std::vector<std::string> lines;
  for (const auto& row : store.Records(filter)) lines.push_back(row.line);
  return lines;
}

std::vector<std::string> EventsOf(site::Store& store, const std::string& type) {
  std::vector<std::string> details;
  for (const auto& event : store.Events(0, 1000)) {
    if (event.type == type) details.push_back(event.detail);
  }
  return details;
}

int Count(const std::vector<std::string>& frames, const std::string& frame) {
  return static_cast<int>(std::count(frames.begin(), frames.end(), frame));
}

TEST(Collect, EveryRecordOnceWhateverTheTerminalDoes) {
  Site site;
  std::string control = ControlPath(site, "a");
  SimBus& bus = site.AddBus("a", R"({"devices": [
      {"type": "terminal", "machine": 1, "generate": 5},
      {"type": "terminal", "machine": 2, "generate": 4, "drops_sent": true}]})",
                            "[[bus.terminal]]\nmachine = 1\n[[bus.terminal]]\nmachine = 2\n",
                            {"--control", ControlPath(site, "a")});
  ASSERT_TRUE(bus.sim->running());
  site.WriteSiteFile();
  std::string log;
  ASSERT_EQ(site.Run({"--config", site.site_file(), "--once"}, &log), 0) << log;
  ASSERT_EQ(site.Run({"--config", site.site_file(), "--once"}, &log), 0) << log;
  {
    auto store = site.OpenStore();
    EXPECT_EQ(Lines(*store, 1).size(), 5u) << "a download again from the start adds nothing";
    EXPECT_EQ(Lines(*store, 2).size(), 4u);
  }
  // Two alike sales are two records; new records of a terminal that kept
  // its old ones follow them; one that dropped its old ones starts again.
  const std::string alike = "2612101200001234560001200100099";
  ASSERT_TRUE(SayToSim(control, "record 1 " + alike));
  ASSERT_TRUE(SayToSim(control, "record 1 " + alike));
  ASSERT_TRUE(SayToSim(control, "records 2 3"));
  ASSERT_EQ(site.Run({"--config", site.site_file(), "--once"}, &log), 0) << log;
  {
    auto store = site.OpenStore();
    auto first = Lines(*store, 1);
    ASSERT_EQ(first.size(), 7u);
    // The line as the library returns it: "20", the record, the machine.
    EXPECT_EQ(first[5], "20" + alike + "001");
    EXPECT_EQ(first[6], first[5]);
    EXPECT_EQ(Lines(*store, 2).size(), 7u);
  }
  // Someone else clears terminal 1 and it fills again: a new run, an event.
  {
    icbus::Bus other(bus.sim->link());
    ASSERT_TRUE(other.Clear(1));
  }
  ASSERT_TRUE(SayToSim(control, "records 1 2"));
  ASSERT_EQ(site.Run({"--config", site.site_file(), "--once"}, &log), 0) << log;
  auto store = site.OpenStore();
  site::RecordFilter filter;
  filter.machine = 1;
  auto rows = store->Records(filter);
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_EQ(rows[7].run, 2);
  EXPECT_EQ(rows[7].position, 1);
  EXPECT_EQ(rows[8].position, 2);
  auto runs = EventsOf(*store, "run_started");
  EXPECT_TRUE(std::any_of(runs.begin(), runs.end(), [](const std::string& detail) {
    return detail.find("differs") != std::string::npos;
  })) << "the replaced store is an event";
}

struct ClearCase {
  const char* name;
  const char* faults;  // of terminal 1
  bool add_during;     // a record arrives between the download and the clear
  bool cleared;
  const char* why;  // part of the not_cleared event
};

void PrintTo(const ClearCase& test, std::ostream* out) { *out << test.name; }

class Clearing : public ::testing::TestWithParam<ClearCase> {};

TEST_P(Clearing, OnlyAfterASafeCollection) {
  const ClearCase& test = GetParam();
  Site site;
  std::string control = ControlPath(site, "a");
  SimBus& bus = site.AddBus(
      "a",
      std::string(R"({"devices": [{"type": "terminal", "machine": 1, "generate": 3, "faults": )") +
          test.faults + "}]}",
      "[[bus.terminal]]\nmachine = 1\nclear = true\n", {"--control", control});
  ASSERT_TRUE(bus.sim->running());
  site.WriteSiteFile();
  std::atomic<bool> done{false};
  std::thread adder;
  if (test.add_during) {
    // The reply that ends the download is held back (the fault below); the
    // record arrives while it is on its way, before the count after it.
    adder = std::thread([&] {
      while (!done && Count(bus.sim->Frames(), "> S SC!") < 4) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      if (!done) SayToSim(control, "records 1 1");
    });
  }
  std::string log;
  int status = site.Run({"--config", site.site_file(), "--once"}, &log);
  done = true;
  if (adder.joinable()) adder.join();
  auto frames = bus.sim->Frames();
  EXPECT_EQ(Count(frames, "> S SJ!"), test.cleared ? 1 : 0) << log;
  auto store = site.OpenStore();
  EXPECT_EQ(Lines(*store, 1).size(), std::string(test.faults) == "[]" || test.add_during ? 3u : 2u);
  auto why = EventsOf(*store, "not_cleared");
  if (test.cleared) {
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(why.empty());
    EXPECT_EQ(EventsOf(*store, "cleared").size(), 1u);
  } else {
    ASSERT_EQ(why.size(), 1u) << log;
    EXPECT_NE(why[0].find(test.why), std::string::npos) << why[0];
  }
}

INSTANTIATE_TEST_SUITE_P(
    Site, Clearing,
    ::testing::Values(
        ClearCase{"Safe", "[]", false, true, ""},
        ClearCase{"RecordArrivedMeanwhile",
                  R"([{"kind": "delay", "frame": "SC", "after": 3, "count": 1, "delay_ms": 400}])",
                  true, false, "a record arrived"},
        ClearCase{"BrokenDownload", R"([{"kind": "no_bang", "frame": "SC", "after": 2}])", false,
                  false, "end marker"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace icbus::site_test
