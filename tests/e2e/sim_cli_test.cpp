// icbus-sim as a program: its options, the installation file, its link and
// a clean stop.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "icbus.h"
#include "icbus_version.h"
#include "sim_process.h"

namespace icbus::e2e {
namespace {

struct TempDir {
  TempDir() {
    char pattern[] = "/tmp/icbus-e2e-cli-XXXXXX";
    if (::mkdtemp(pattern)) path = pattern;
  }
  ~TempDir() {
    for (const std::string& name : made) ::unlink((path + "/" + name).c_str());
    ::rmdir(path.c_str());
  }
  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(path + "/" + name) << text;
    made.push_back(name);
    return path + "/" + name;
  }
  std::string path;
  std::vector<std::string> made;
};

TEST(SimCliTest, PrintedDefaultInstallationRunsAsAConfig) {
  std::string printed;
  ASSERT_EQ(RunSim({"--print-default"}, &printed), 0);
  SimProcess sim(printed);
  ASSERT_TRUE(sim.running());
  PortMapping com1(1, sim.link());
  char out[32] = {};
  EXPECT_EQ(GetTimeA(1, 5, out, 123456), 1);
  EXPECT_EQ(GetTime(1, 1, out), 1);
  EXPECT_EQ(GetTimeA(1, 1, out, 123456), 0);
}

struct BadConfig {
  const char* json;
  const char* message;
};

TEST(SimCliTest, BadInstallationsAreRefusedWithAReason) {
  const std::vector<BadConfig> cases = {
      {"{", "not valid JSON"},
      {"[]", "must be a JSON object"},
      {R"({"terminals": []})", "unknown key \"terminals\""},
      {R"({"devices": {}})", "\"devices\" must be a list"},
      {R"({"devices": [{"machine": 1}]})", "\"type\" is missing"},
      {R"({"devices": [{"type": "toaster"}]})", "unknown device type \"toaster\""},
      {R"({"devices": [{"type": "terminal"}]})", "\"machine\" is missing"},
      {R"({"devices": [{"type": "terminal", "machine": 1000}]})", "\"machine\" must be 0..999"},
      {R"({"devices": [{"type": "terminal", "machine": 1, "management_card": 1000000}]})",
       "\"management_card\" must be 0..999999"},
      {R"({"devices": [{"type": "terminal", "machine": "1"}]})", "must be an integer"},
      {R"({"devices": [{"type": "terminal", "machine": 1, "clock": 5}]})",
       "\"clock\" must be a string"},
      {R"({"devices": [{"type": "terminal", "machine": 1, "machin": 2}]})",
       "unknown key \"machin\""},
      {R"({"devices": [{"type": "terminal", "machine": 1, "faults": [{"kind": "fire"}]}]})",
       "unknown fault kind \"fire\""},
      {R"({"devices": [{"type": "terminal", "machine": 1, "faults": [{"frame": "SD"}]}]})",
       "\"kind\" is missing"},
      {R"({"devices": [{"type": "terminal", "machine": 1}, {"type": "terminal", "machine": 2,
          "faults": [{"kind": "delay", "delay_ms": -5}]}]})",
       "device 2, fault 1: \"delay_ms\""},
  };
  TempDir dir;
  for (const BadConfig& c : cases) {
    SCOPED_TRACE(c.json);
    std::string path = dir.Write("bad.json", c.json);
    std::string output;
    EXPECT_EQ(RunSim({"--config", path, "--link", dir.path + "/com"}, &output), 1);
    EXPECT_NE(output.find(c.message), std::string::npos) << output;
    struct stat st {};
    EXPECT_NE(::lstat((dir.path + "/com").c_str(), &st), 0) << "link published anyway";
  }
}

TEST(SimCliTest, CommentsAreAllowedInTheInstallation) {
  SimProcess sim(R"({
    // the only terminal
    "devices": [{"type": "terminal", "machine": 9, "clock": "x"}]
  })");
  ASSERT_TRUE(sim.running());
  PortMapping com1(1, sim.link());
  char out[32] = {};
  EXPECT_EQ(GetTime(1, 9, out), 1);
  EXPECT_STREQ(out, "x");
}

TEST(SimCliTest, WrongCommandLinesAreRefusedByName) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"--speed", "9600"}, "icbus-sim: unknown option --speed\nusage:"},
      {{"--config"}, "icbus-sim: --config needs a value\nusage:"},
      {{"--pace", "fast"}, "icbus-sim: unexpected argument \"fast\"\nusage:"},
  };
  for (const auto& [args, said] : cases) {
    std::string output;
    EXPECT_EQ(RunSim(args, &output), 2) << said;
    EXPECT_EQ(output.rfind(said, 0), 0u) << output;
  }
  std::string output;
  EXPECT_EQ(RunSim({"--version"}, &output), 0);
  EXPECT_EQ(output, "icbus-sim " ICBUS_VERSION_STRING "\n");
}

TEST(SimCliTest, MissingFilesFail) {
  std::string output;
  EXPECT_EQ(RunSim({"--config", "/nonexistent/installation.json"}, &output), 1);
  EXPECT_NE(output.find("cannot read"), std::string::npos);
}

TEST(SimCliTest, ClocksRunOnUnlessFixed) {
  SimProcess sim(R"({"devices": [{"type": "terminal", "machine": 1, "clock": "20261231235959"}]})",
                 "", {"--running-clocks"});
  ASSERT_TRUE(sim.running());
  PortMapping com1(1, sim.link());
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  char out[32] = {};
  ASSERT_EQ(GetTime(1, 1, out), 1);
  EXPECT_EQ(std::string(out).substr(0, 10), "2027010100") << out;
}

TEST(SimCliTest, StopsCleanlyAndWithdrawsItsLink) {
  SimProcess sim;
  ASSERT_TRUE(sim.running());
  char target[256] = {};
  ASSERT_GT(::readlink(sim.link().c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target).rfind("/dev/pts/", 0), 0u) << target;
  EXPECT_EQ(sim.Stop(), 0);
  struct stat st {};
  EXPECT_NE(::lstat(sim.link().c_str(), &st), 0);
}

TEST(SimCliTest, LinkReplacesAStaleSymlink) {
  SimProcess sim("", "/nonexistent/pts");
  ASSERT_TRUE(sim.running());
  PortMapping com1(1, sim.link());
  char out[32] = {};
  EXPECT_EQ(GetTime(1, 1, out), 1);
}

TEST(SimCliTest, LinkOfARunningSimulatorIsNotTakenOver) {
  SimProcess first;
  ASSERT_TRUE(first.running());
  std::string output;
  EXPECT_EQ(RunSim({"--link", first.link()}, &output), 1);
  EXPECT_NE(output.find("a pseudo-terminal in use"), std::string::npos) << output;
  PortMapping com1(1, first.link());
  char out[32] = {};
  EXPECT_EQ(GetTime(1, 1, out), 1) << "the first simulator lost its link";
}

TEST(SimCliTest, LinkNeverReplacesAFile) {
  TempDir dir;
  std::string file = dir.Write("file", "keep me");
  std::string output;
  EXPECT_EQ(RunSim({"--link", file}, &output), 1);
  EXPECT_NE(output.find("cannot publish"), std::string::npos) << output;
  std::ifstream kept(file);
  std::string text;
  std::getline(kept, text);
  EXPECT_EQ(text, "keep me");
}

}  // namespace
}  // namespace icbus::e2e
