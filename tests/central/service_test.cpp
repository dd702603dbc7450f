// icbusd's [central] section from the outside: what --check refuses, and
// --once, which leaves nothing behind when the central store is up and
// says so when it is not.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "central/migrations.h"
#include "central/pg_session.h"
#include "central_fixture.h"
#include "icbusd_process.h"
#include "local_store.h"

namespace icbus::central {
namespace {

// Runs a shell command; its exit status, and its output in `*output`.
int RunShell(const std::string& command, std::string* output) {
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  output->clear();
  char chunk[512];
  while (pipe && std::fgets(chunk, sizeof chunk, pipe)) *output += chunk;
  const int status = pipe ? ::pclose(pipe) : -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const char kBus[] = "[[bus]]\nname = \"bus1\"\nport = 70\n  [[bus.terminal]]\n  machine = 1\n";

struct CheckCase {
  const char* central;  // the [central] section's lines
  int status;
  const char* says;  // in icbusd's output
};

TEST(CentralCheck, RefusesAPasswordInTheSiteFileAndNamesItsPlace) {
  const CheckCase cases[] = {
      {"conninfo = \"host=db password=secret\"\nsite = \"north\"", 2,
       ":2:12: conninfo: a password does not belong in the site file"},
      {"site = \"north\"\nconninfo = \"postgresql://site:secret@db/ledger\"", 2,
       ":3:12: conninfo: a password does not belong in the site file"},
      {"conninfo = \"host=db\"", 2, "[central] needs \"conninfo\" and \"site\""},
      {"conninfo = \"host=db\"\nsite = \"north\"\npassword = \"x\"", 2,
       "unknown key \"password\" in [central]"},
      {"conninfo = \"host=db\"\nsite = \"north\"\nbatch = 0", 2, "\"batch\" must be"},
      {"conninfo = \"host='db\"\nsite = \"north\"", 2, "conninfo: "},
      {"conninfo = \"host=db user=north\"\nsite = \"north\"\nbatch = 200", 0, "good"},
  };
  const std::string file = "/tmp/icbus-check-" + std::to_string(::getpid()) + ".toml";
  for (const CheckCase& c : cases) {
    std::ofstream(file) << "[central]\n" << c.central << "\n" << kBus;
    std::string output;
    const int status = RunShell(std::string(ICBUS_ICBUSD_PATH) + " --check " + file, &output);
    EXPECT_EQ(status, c.status) << c.central << "\n" << output;
    EXPECT_NE(output.find(c.says), std::string::npos) << c.central << "\n" << output;
  }
  std::remove(file.c_str());
}

class OnceTest : public test_support::CentralTest {};

TEST_F(OnceTest, PushesTheWholeBacklogBeforeItExitsOrSaysWhatIsLeft) {
  PgSession owner(Conninfo());
  PrepareSchema(owner);
  Psql("INSERT INTO icbus.site_roles VALUES ('north', 'north')");
  site_test::Site site;
  site.AddBus("bus1", R"({"devices": [{"type": "terminal", "machine": 1, "generate": 4}]})",
              "[[bus.terminal]]\nmachine = 1\n");
  site.WriteSiteFile("[central]\nconninfo = \"" + Conninfo("north") +
                     "\"\nsite = \"north\"\ndrain_seconds = 2\n");
  const std::vector<std::string> once = {"--config", site.site_file(), "--once"};
  std::string log;

  server().Stop();
  EXPECT_EQ(site.Run(once, &log), 4) << log;
  EXPECT_NE(log.find("did not take the whole backlog within 2 s"), std::string::npos) << log;
  server().Start();
  EXPECT_EQ(site.Run(once, &log), 0) << log;
  const std::string local = test_support::LocalQuery(
      site.db(), "SELECT group_concat(line, ',') FROM (SELECT line FROM records ORDER BY id)");
  EXPECT_EQ(local.empty() ? 0 : std::count(local.begin(), local.end(), ',') + 1, 4);
  EXPECT_EQ(Psql("SELECT string_agg(line, ',' ORDER BY local_id) FROM icbus.records"), local);

  // Read back with the tool, as the settlement office would.
  std::string json, csv;
  const std::string tool = std::string(ICBUS_TOOL_PATH) + " records export --central '" +
                           Conninfo("north") + "' --site north";
  ASSERT_EQ(RunShell(tool + " --json", &json), 0) << json;
  std::string lines;
  std::istringstream objects(json);
  for (std::string object; std::getline(objects, object);) {
    const auto parsed = nlohmann::json::parse(object);
    EXPECT_EQ(parsed["site"], "north");
    EXPECT_EQ(parsed["bus"], "bus1");
    EXPECT_EQ(parsed["received_at"].get<std::string>().size(), 24u) << object;
    lines += (lines.empty() ? "" : ",") + parsed["line"].get<std::string>();
  }
  EXPECT_EQ(lines, local);
  ASSERT_EQ(RunShell(tool + " --csv", &csv), 0) << csv;
  EXPECT_EQ(csv.substr(0, csv.find('\n')),
            "site,id,bus,machine,kind,run,position,line,"
            "received_at\r");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 5) << csv;
  EXPECT_EQ(RunShell(tool + " --json --csv", &csv), 2) << csv;
  EXPECT_EQ(RunShell(std::string(ICBUS_TOOL_PATH) + " records export --json --central 'host=x "
                                                    "password=y'",
                     &csv),
            2)
      << csv;
}

}  // namespace
}  // namespace icbus::central
