// The tool against the real library: the BusApi rows must reach the exports
// they name, and the exports' answers must come back through the tool.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "cli/run.h"
#include "commands/catalog.h"
#include "pty_terminal.h"
#include "tool_fixture.h"

namespace icbus::tool {
namespace {

using namespace std::chrono_literals;
using Frames = std::vector<std::string>;

// A port number no developer machine maps to a real device.
constexpr const char* kPortVariable = "ICBUS_COM77";

class LibraryTest : public ::testing::Test {
 protected:
  void TearDown() override { ::unsetenv(kPortVariable); }
  int RunArgs(std::vector<std::string> args, const Host& host = Host()) {
    return tool::Run(args, AllCommands(), LibraryApi(), out_, err_, host);
  }
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(LibraryTest, MissingDeviceIsAFailedOperation) {
  ::setenv(kPortVariable, "/nonexistent/icbus-tool-test", 1);
  EXPECT_EQ(RunArgs({"time", "get", "--port", "77", "--machine", "5"}), kExitFailed);
  EXPECT_EQ(err_.str(),
            "icbus: cannot open /nonexistent/icbus-tool-test (port 77): No such file or "
            "directory \u2014 ICBUS_COM77 is /nonexistent/icbus-tool-test: check that the "
            "device exists and that you may use it (group dialout)\n");
  EXPECT_EQ(out_.str(), "");
}

TEST_F(LibraryTest, TimeGetReadsTheTerminal) {
  PtyTerminal terminal({{"SA005!", "OK!"}, {"SD!", "20240102030405!"}});
  ASSERT_TRUE(terminal.ok());
  ::setenv(kPortVariable, terminal.path().c_str(), 1);
  EXPECT_EQ(RunArgs({"time", "get", "--port", "77", "--machine", "5"}), kExitOk) << err_.str();
  EXPECT_EQ(out_.str(), "20240102030405\n");
  EXPECT_EQ(terminal.FramesUntil("SZ!", 2s), (Frames{"SA005!", "SD!", "SZ!"}));
}

TEST_F(LibraryTest, ClearWithCardSendsTheSixDigitAddress) {
  PtyTerminal terminal({{"SA005000042!", "OK!"}, {"SJ!", "DONE!"}});
  ASSERT_TRUE(terminal.ok());
  ::setenv(kPortVariable, terminal.path().c_str(), 1);
  EXPECT_EQ(RunArgs({"clear", "--port", "77", "--machine", "5", "--card", "42"}), kExitOk)
      << err_.str();
  EXPECT_EQ(terminal.FramesUntil("SZ!", 2s), (Frames{"SA005000042!", "SJ!", "SZ!"}));
}

TEST_F(LibraryTest, TimeSetSendsTheHostClock) {
  PtyTerminal terminal({{"SA009!", "OK!"}, {"SE", "DONE!"}});
  ASSERT_TRUE(terminal.ok());
  ::setenv(kPortVariable, terminal.path().c_str(), 1);
  EXPECT_EQ(RunArgs({"time", "set", "--port", "77", "--machine", "9"}), kExitOk) << err_.str();
  Frames frames = terminal.FramesUntil("SZ!", 2s);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[1].size(), 17u) << frames[1];
  EXPECT_EQ(frames[1].rfind("SE", 0), 0u) << frames[1];
}

TEST_F(LibraryTest, ARefusalIsAFailedOperation) {
  PtyTerminal terminal({{"SA005!", "OK!"}, {"SJ!", "FAIL!"}});
  ASSERT_TRUE(terminal.ok());
  ::setenv(kPortVariable, terminal.path().c_str(), 1);
  EXPECT_EQ(RunArgs({"clear", "--port", "77", "--machine", "5"}), kExitFailed);
  EXPECT_EQ(err_.str(), "icbus: terminal 5 on port 77 did not confirm clearing its records\n");
  EXPECT_EQ(terminal.FramesUntil("SZ!", 2s), (Frames{"SA005!", "SJ!", "SZ!"}));
}

// Every command against a port that does not open: each table row must reach
// a real export (a missing row would crash) and report the failure.
TEST_F(LibraryTest, EveryCommandReportsAPortThatDoesNotOpen) {
  ::setenv(kPortVariable, "/nonexistent/icbus-tool-test", 1);
  const std::string out = ::testing::TempDir() + "icbus_library_" + std::to_string(::getpid());
  const std::vector<std::string> at = {"--machine", "5"};
  const std::map<std::string, std::vector<std::string>> extras = {
      {"time get", at},
      {"time set", at},
      {"clear", at},
      {"list add", {"--machine", "5", "--entry", "123456"}},
      {"list remove", {"--machine", "5", "--entry", "123456"}},
      {"list clear", at},
      {"list query", {"--machine", "5", "--entry", "123456"}},
      {"machine number set", {"--number", "001K"}},
      {"machine master-card set", {"--number", "123456"}},
      {"machine password set", {"--password", "000000000000"}},
      {"machine password cancel", {"--password", "000000000000"}},
      {"machine writer-key set", {"--key", "FFFFFFFFFFFF"}},
      {"machine reader-mode set", at},
      {"machine style get", at},
      {"machine style set", {"--machine", "5", "--style", "1"}},
      {"machine state", at},
      {"machine pause", at},
      {"machine resume", at},
      {"set meal-limit", {"--machine", "5", "--limit", "5"}},
      {"set meal-period", {"--machine", "5", "--period", "107001000"}},
      {"set interval", {"--machine", "5", "--interval", "5"}},
      {"set bell", {"--machine", "5", "--bell", "10730010"}},
      {"set door", {"--machine", "5", "--period", "107001000"}},
      {"set water", {"--machine", "5", "--price", "1", "--units", "1", "--seconds", "1"}},
      {"set reserve", {"--machine", "5", "--selector", "1", "--text", "x"}},
      {"set keyboard", {"--machine", "5", "--index", "1", "--amount", "1"}},
      {"set menu-amount", {"--machine", "5", "--category", "A", "--menu", "1", "--amount", "1"}},
      {"set menu-name", {"--machine", "5", "--category", "A", "--menu", "1", "--name", "x"}},
      {"set display", {"--machine", "5", "--line", "A", "--text", "x"}},
      {"set read-name",
       {"--machine", "5", "--number", "000001", "--password", "123456", "--name", "x"}},
      {"records count", at},
      {"scan", {"--machine", "1-3"}},
      {"records total", at},
      {"records collect", {"--machine", "5", "--kind", "water", "--out", out}},
      {"monitor", at},
      {"card read", {}},
      {"card write", {"--number", "1"}},
      {"card issue", {"--number", "1", "--password", "12345", "--daily-limit", "1"}},
      {"card account set", {"--account", "1", "--yes"}},
      {"card password get", {}},
      {"card password set", {"--password", "12345"}},
      {"card balance", {}},
      {"card topup", {"--amount", "1"}},
      {"card refund", {"--amount", "1"}},
      {"card debit", {"--amount", "1"}},
      {"card cancel", {}},
      {"card limit daily get", {}},
      {"card limit daily set", {"--limit", "1"}},
      {"card limit meals get", {}},
      {"card limit meals set", {"--value", "1"}},
      {"card count get", {}},
      {"card count set", {"--value", "1"}},
      {"topup send",
       {"--machine", "5", "--card", "1", "--mode", "add", "--amount", "1", "--name", "王", "--mgmt",
        "1"}},
  };
  // These touch no port: the library's version text, and a beep whose
  // outcome the library does not report.
  const std::map<std::string, std::vector<std::string>> succeeding = {
      {"version", {}}, {"card beep", {"--pattern", "success"}}};
  // This one reads a database, not a bus: it takes no port at all.
  const std::set<std::string> busless = {"records export"};
  for (const Command& command : AllCommands()) {
    std::string name = JoinPath(command.path);
    if (busless.count(name) != 0) continue;
    bool fails = extras.count(name) != 0;
    ASSERT_TRUE(fails || succeeding.count(name) != 0) << "no row for '" << name << "'";
    std::vector<std::string> args = command.path;
    if (name != "version") args.insert(args.end(), {"--port", "77"});
    const std::vector<std::string>& more = fails ? extras.at(name) : succeeding.at(name);
    args.insert(args.end(), more.begin(), more.end());
    err_.str("");
    EXPECT_EQ(RunArgs(args), fails ? kExitFailed : kExitOk) << name << ": " << err_.str();
    if (fails) {
      EXPECT_EQ(err_.str().rfind("icbus: cannot open /nonexistent/icbus-tool-test (port 77): ", 0),
                0u)
          << name << ": " << err_.str();
    }
  }
  ::unlink(out.c_str());
}

TEST_F(LibraryTest, CardReadNamesTheFailureCode) {
  ::setenv(kPortVariable, "/nonexistent/icbus-tool-test", 1);
  EXPECT_EQ(RunArgs({"card", "read", "--port", "77"}), kExitFailed);
  EXPECT_EQ(err_.str().rfind("icbus: cannot open /nonexistent/icbus-tool-test (port 77): ", 0), 0u)
      << err_.str();
}

TEST_F(LibraryTest, ListAddSendsTheEntry) {
  PtyTerminal terminal({{"SA005!", "OK!"}, {"SO123456!", "DONE!"}});
  ASSERT_TRUE(terminal.ok());
  ::setenv(kPortVariable, terminal.path().c_str(), 1);
  EXPECT_EQ(RunArgs({"list", "add", "--port", "77", "--machine", "5", "--entry", "123456"}),
            kExitOk)
      << err_.str();
  EXPECT_EQ(terminal.FramesUntil("SZ!", 2s), (Frames{"SA005!", "SO123456!", "SZ!"}));
}

TEST_F(LibraryTest, CollectWritesTheRecordsTheTerminalSends) {
  PtyTerminal terminal({{"SA005!", "OK!"},
                        {"SK!", "00002000000!"},
                        {"SA005!", "OK!"},
                        {"SC!", "AAA!"},
                        {"SC!", "BBB!"},
                        {"SC!", "OVER!"}});
  ASSERT_TRUE(terminal.ok());
  ::setenv(kPortVariable, terminal.path().c_str(), 1);
  const std::string path = ::testing::TempDir() + "icbus_collect_lib_" + std::to_string(::getpid());
  EXPECT_EQ(RunArgs({"records", "collect", "--port", "77", "--machine", "5", "--kind", "attendance",
                     "--out", path}),
            kExitOk)
      << err_.str();
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "20AAA005\r\n20BBB005\r\n");
  EXPECT_EQ(out_.str(), "2 records from terminal 5 on port 77 written to " + path + "\n");
  ::unlink(path.c_str());
}

TEST_F(LibraryTest, MonitorPrintsASwipeAndStopsWhenInterrupted) {
  const std::string swipe = "01234567890123456789";
  PtyTerminal terminal({{"SY005!", swipe + "!"}});
  ASSERT_TRUE(terminal.ok());
  ::setenv(kPortVariable, terminal.path().c_str(), 1);
  int pauses = 0;
  Host host;
  // A poll's reply window is short; a few polls make a loaded machine safe.
  host.stop_signal =
      CtrlCWhen([&] { return pauses >= 5 || out_.str().find(swipe) != std::string::npos; });
  host.pause = [&](int) { ++pauses; };
  host.now = [] {
    std::tm t = {};
    t.tm_year = 124;
    t.tm_mon = 1;
    t.tm_mday = 29;
    t.tm_hour = 23;
    t.tm_min = 59;
    return t;
  };
  EXPECT_EQ(RunArgs({"monitor", "--port", "77", "--machine", "5"}, host), kExitSignalBase + SIGINT)
      << err_.str();
  // One line per swipe, however often the terminal repeats it.
  EXPECT_EQ(out_.str().rfind("2024-02-29T23:59:00+00:00 " + swipe + "\n", 0), 0u) << out_.str();
  EXPECT_EQ(out_.str().find(swipe + "\n" + swipe), std::string::npos) << out_.str();
  // The port was closed: the next command can open it.
  PtyTerminal next({{"SA005!", "OK!"}, {"SJ!", "DONE!"}});
  ::setenv(kPortVariable, next.path().c_str(), 1);
  EXPECT_EQ(RunArgs({"clear", "--port", "77", "--machine", "5"}), kExitOk) << err_.str();
}

}  // namespace
}  // namespace icbus::tool
