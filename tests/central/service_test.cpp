// icbusd's [central] section from the outside: what --check refuses, and
// --once, which leaves nothing behind when the central store is up and
// says so when it is not.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "central/migrations.h"
#include "central/pg_session.h"
#include "central_fixture.h"
#include "icbusd_process.h"
#include "local_store.h"
#include "sim_process.h"

namespace icbus::central {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

const char kBus[] = "[[bus]]\nport = 70\n  [[bus.terminal]]\n  machine = 1\n";

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
    const std::string command = std::string(ICBUS_ICBUSD_PATH) + " --check " + file + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char chunk[512];
    while (pipe && std::fgets(chunk, sizeof chunk, pipe)) output += chunk;
    const int status = pipe ? ::pclose(pipe) : -1;
    EXPECT_EQ(WEXITSTATUS(status), c.status) << c.central << "\n" << output;
    EXPECT_NE(output.find(c.says), std::string::npos) << c.central << "\n" << output;
  }
  std::remove(file.c_str());
}

class OnceTest : public test_support::CentralTest {};

TEST_F(OnceTest, PushesTheWholeBacklogBeforeItExitsOrSaysWhatIsLeft) {
  PgSession owner(Conninfo());
  PrepareSchema(owner);
  Psql("INSERT INTO icbus.site_roles VALUES ('north', 'north')");
  char pattern[] = "/tmp/icbus-once-XXXXXX";
  ASSERT_TRUE(::mkdtemp(pattern));
  const std::string dir = pattern;
  e2e::SimProcess sim(R"({"devices": [{"type": "terminal", "machine": 1, "generate": 4}]})");
  std::ofstream(dir + "/site.toml")
      << "[store]\npath = \"" << dir << "/site.db\"\n[central]\nconninfo = \"" << Conninfo("north")
      << "\"\nsite = \"north\"\ndrain_seconds = 2\n"
      << kBus;
  test_support::IcbusdProcess once(dir + "/site.toml", {"ICBUS_COM70=" + sim.link()},
                                   dir + "/icbusd.log");

  server().Stop();
  once.Start({"--once"});
  EXPECT_EQ(once.Wait(), 4);
  EXPECT_NE(Slurp(dir + "/icbusd.log").find("did not take the whole backlog within 2 s"),
            std::string::npos)
      << Slurp(dir + "/icbusd.log");

  server().Start();
  once.Start({"--once"});
  EXPECT_EQ(once.Wait(), 0) << Slurp(dir + "/icbusd.log");
  const std::string local = test_support::LocalQuery(
      dir + "/site.db",
      "SELECT group_concat(line, ',') FROM (SELECT line FROM records ORDER BY id)");
  EXPECT_EQ(local.empty() ? 0 : std::count(local.begin(), local.end(), ',') + 1, 4);
  EXPECT_EQ(Psql("SELECT string_agg(line, ',' ORDER BY local_id) FROM icbus.records"), local);
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace icbus::central
