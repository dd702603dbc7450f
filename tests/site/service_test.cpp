// icbusd as a running service: its HTTP API with bearer token and bounds,
// buses that fail in every way while the others go on, swipes between jobs,
// SIGHUP and SIGTERM.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "icbusd_process.h"

namespace icbus::site_test {
namespace {

using std::chrono::milliseconds;

const char kToken[] = "0123456789abcdef0123";

template <typename Condition>
bool WaitFor(Condition condition, int limit_ms = 15000) {
  auto end = std::chrono::steady_clock::now() + milliseconds(limit_ms);
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(milliseconds(50));
  }
  return false;
}

std::size_t RecordCount(const Site& site, const std::string& bus) {
  site::RecordFilter filter;
  filter.bus = bus;
  return site.OpenStore()->Records(filter).size();
}

struct Request {
  const char* method;
  std::string path;
  const char* token;  // nullptr: no Authorization header
  int status;
  const char* body;  // part of the answer; "" for any
};

TEST(Service, ServesTheApiWhileBusesFailAndStopsCleanly) {
  Site site;
  std::string control = ControlPath(site, "a");
  SimBus& good =
      site.AddBus("a", R"({"devices": [{"type": "terminal", "machine": 1, "generate": 3}]})",
                  "[[bus.terminal]]\nmachine = 1\n", {"--control", control});
  // A bus whose only terminal never answers.
  SimBus& silent = site.AddBus("silent", "", "[[bus.terminal]]\nmachine = 9\n");
  ASSERT_TRUE(good.sim->running() && silent.sim->running());
  std::ofstream(site.dir() + "/token") << kToken << "\n";
  site.WriteSiteFile(
      "token_file = \"" + site.dir() +
      "/token\"\n[service]\nswipe_poll_ms = 100\n[schedule]\ncollect_every_minutes = 60\n"
      "[[bus]]\nname = \"gone\"\ndevice = \"" +
      site.dir() + "/no-such-tty\"\n[[bus.terminal]]\nmachine = 1\n");
  // The buses above ask for no swipes; bus a polls for them.
  {
    std::ifstream in(site.site_file());
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text.replace(text.find("swipes = false"), 14, "swipes = true");
    std::ofstream(site.site_file()) << text;
  }
  ASSERT_GT(site.Start({"--config", site.site_file()}), 0);
  int port = ListenPort(site);
  ASSERT_GT(port, 0) << site.Log();
  ASSERT_TRUE(WaitFor([&] { return RecordCount(site, "a") == 3; })) << site.Log();

  ASSERT_TRUE(SayToSim(control, "swipe 1 26121012000012345601"));
  httplib::Client client("127.0.0.1", port);
  std::string long_since(10000, '2');
  const Request requests[] = {
      {"GET", "/api/status", nullptr, 200, "\"buses\""},
      {"GET", "/metrics", nullptr, 200,
       "icbusd_records_total{bus=\"a\",machine=\"1\",kind=\"consumption\"} 3"},
      {"GET", "/", nullptr, 200, "/api/status"},
      {"GET", "/api/records?bus=a&machine=1&kind=consumption", nullptr, 200, "\"line\""},
      {"GET", "/api/records?format=csv", nullptr, 200, "id,bus,machine,kind,run,position,line"},
      {"GET", "/api/records?bus=a'%20OR%20'1'='1", nullptr, 200, ""},
      {"GET", "/api/records?machine=1%20OR%201", nullptr, 400, "whole numbers"},
      {"GET", "/api/records?kind=x');DROP%20TABLE%20records;--", nullptr, 400, "unknown kind"},
      {"GET", "/api/records?since=" + long_since, nullptr, 414, ""},
      {"GET", "/api/events?limit=0", nullptr, 400, ""},
      {"POST", "/api/collect?bus=a", nullptr, 401, "bearer token"},
      {"POST", "/api/collect?bus=a", "wrong-token-wrong-token", 401, ""},
      {"POST", "/api/collect?bus=zz", kToken, 404, ""},
      {"POST", "/api/collect?bus=a&machine=1", kToken, 202, "queued"},
  };
  for (const Request& request : requests) {
    httplib::Headers headers;
    if (request.token) headers.emplace("Authorization", std::string("Bearer ") + request.token);
    auto answer = std::string(request.method) == "GET"
                      ? client.Get(request.path.c_str(), headers)
                      : client.Post(request.path.c_str(), headers, "", "text/plain");
    ASSERT_TRUE(answer) << request.path;
    EXPECT_EQ(answer->status, request.status) << request.path << ": " << answer->body;
    EXPECT_NE(answer->body.find(request.body), std::string::npos)
        << request.path << ": " << answer->body;
  }
  // The injected text matched nothing and dropped nothing.
  auto injected = client.Get("/api/records?bus=a'%20OR%20'1'='1");
  ASSERT_TRUE(injected);
  EXPECT_EQ(injected->body, "");
  EXPECT_EQ(RecordCount(site, "a"), 3u);
  auto huge = client.Post("/api/collect", {{"Authorization", std::string("Bearer ") + kToken}},
                          std::string(100000, 'x'), "text/plain");
  ASSERT_TRUE(huge);
  EXPECT_EQ(huge->status, 413);

  // The failing buses are recorded, each with the library's reason.
  ASSERT_TRUE(WaitFor([&] {
    auto status = client.Get("/api/status");
    if (!status) return false;
    auto json = nlohmann::json::parse(status->body);
    int failing = 0;
    for (const auto& bus : json["buses"]) {
      for (const auto& terminal : bus["terminals"]) {
        if (bus["name"] != "a" && terminal["failures"].get<int>() > 0 &&
            !terminal["last_error"].get<std::string>().empty()) {
          ++failing;
        }
      }
    }
    return failing == 2;
  })) << site.Log();
  auto status = nlohmann::json::parse(client.Get("/api/status")->body);
  for (const auto& bus : status["buses"]) {
    if (bus["name"] == "gone") {
      EXPECT_NE(bus["terminals"][0]["last_error"].get<std::string>().find("no-such-tty"),
                std::string::npos);
    }
  }
  // Swipes polled between jobs.
  ASSERT_TRUE(WaitFor(
      [&] { return good.sim->WaitForFrame("< N 26121012000012345601!", 0, milliseconds(100)); }));

  // A reload between jobs, then the stop.
  ASSERT_EQ(::kill(site.pid(), SIGHUP), 0);
  ASSERT_TRUE(WaitFor([&] { return site.Log().find("reloaded") != std::string::npos; }));
  EXPECT_EQ(site.Stop(SIGTERM), 0) << site.Log();
  // The simulator logs the closing frame when it has read it, which may be
  // a moment after icbusd has gone.
  EXPECT_TRUE(WaitFor([&] {
    auto frames = good.sim->Frames();
    return !frames.empty() && frames.back().substr(0, 4) == "> S ";
  })) << good.sim->Frames().back();
  auto events = site.OpenStore()->Events(0, 1000);
  EXPECT_EQ(events.back().type, "stopped");
}

// SIGTERM in the middle of a download: the record in flight is finished and
// stored, the terminal released with "SZ!", the status 0. Then the port
// unplugged in the middle of one: the download is recorded as failed, what
// came is kept, and the service stays up.
TEST(Service, StopsBetweenRecordsAndSurvivesAPortUnplugged) {
  Site site;
  SimBus& bus =
      site.AddBus("a", R"({"devices": [{"type": "terminal", "machine": 1, "generate": 400}]})",
                  "[[bus.terminal]]\nmachine = 1\n");
  ASSERT_TRUE(bus.sim->running());
  site.WriteSiteFile("[schedule]\ncollect_every_minutes = 60\n");
  ASSERT_GT(site.Start({"--config", site.site_file()}), 0);
  ASSERT_TRUE(WaitFor([&] { return RecordCount(site, "a") >= 5; })) << site.Log();
  EXPECT_EQ(site.Stop(SIGTERM), 0) << site.Log();
  auto frames = bus.sim->Frames();
  int replies = 0;
  for (std::size_t i = 1; i < frames.size(); ++i) {
    if (frames[i - 1] == "> S SC!" && frames[i] != "< N OVER!") ++replies;
  }
  EXPECT_EQ(frames.back(), "> S SZ!");
  EXPECT_EQ(RecordCount(site, "a"), static_cast<std::size_t>(replies));
  auto last = site.OpenStore()->LastDownload({"a", 1, "consumption"});
  ASSERT_TRUE(last);
  EXPECT_EQ(last->outcome, "stopped");

  ASSERT_GT(site.Start({"--config", site.site_file()}), 0);
  int port = ListenPort(site);
  std::size_t before = RecordCount(site, "a");
  ASSERT_TRUE(WaitFor([&] { return RecordCount(site, "a") >= before + 5; })) << site.Log();
  bus.sim->Stop();  // unplugged
  ASSERT_TRUE(WaitFor([&] {
    auto row = site.OpenStore()->LastDownload({"a", 1, "consumption"});
    return row && row->outcome == "failed";
  })) << site.Log();
  httplib::Client client("127.0.0.1", port);
  auto answer = client.Get("/api/status");
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, 200);
  EXPECT_EQ(site.Stop(SIGTERM), 0);
}

}  // namespace
}  // namespace icbus::site_test
