// Several buses at once: --fast, records count and collect over lists of
// ports and machine numbers, and scan; against the fake bus and, for the
// side-by-side work, the real library with two scripted terminals.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "cli/run.h"
#include "commands/catalog.h"
#include "pty_terminal.h"
#include "tool_fixture.h"

namespace icbus::tool {
namespace {

using namespace std::chrono_literals;
using Calls = std::vector<std::string>;

Calls Sorted(Calls calls) {
  std::sort(calls.begin(), calls.end());
  return calls;
}

TEST(FastOption, TurnsFastRepliesOnBeforeTheCommand) {
  FakeBus bus;
  Ran ran = RunTool({"time", "get", "--port", "1", "--machine", "5", "--fast"}, &bus);
  EXPECT_EQ(ran.code, 0) << ran.err;
  EXPECT_EQ(ran.calls, (Calls{"icbus_set_fast_replies(1)", "GetTime(1, 5)"}));
}

TEST(ListOptions, NumbersAndRangesAreCheckedBeforeSending) {
  ExpectUsageErrors({
      {{"records", "count", "--port", "1,0", "--machine", "5"},
       "--port needs numbers from 1 to 255 such as 1,3 or 1-5, not '1,0'"},
      {{"records", "count", "--port", "1", "--machine", "5-1000"},
       "--machine needs numbers from 0 to 999 such as 1,3 or 1-5, not '5-1000'"},
      {{"records", "count", "--port", "1", "--machine", "9-5"},
       "--machine needs numbers from 0 to 999 such as 1,3 or 1-5, not '9-5'"},
      {{"scan", "--port", "1,,2"},
       "--port needs numbers from 1 to 255 such as 1,3 or 1-5, not '1,,2'"},
      {{"records", "count", "--port", "1,2", "--machine", "5", "--code", "1"},
       "--code counts one terminal at a time"},
  });
}

TEST(ParseIntegerList, KeepsOrderAndDropsDuplicates) {
  EXPECT_EQ(ParseIntegerList("3,1-4,2", 0, 9), (std::vector<int>{3, 1, 2, 4}));
  EXPECT_EQ(ParseIntegerList("0-0", 0, 9), (std::vector<int>{0}));
  EXPECT_EQ(ParseIntegerList("-1", 0, 9), std::nullopt);
  EXPECT_EQ(ParseIntegerList("", 0, 9), std::nullopt);
  EXPECT_EQ(ParseIntegerList("1-", 0, 9), std::nullopt);
}

TEST(CountMany, EveryTerminalOnEveryPortEachOnItsOwnSession) {
  FakeBus bus;
  bus.result = 7;
  Ran ran = RunTool({"records", "count", "--port", "1,2", "--machine", "4-5", "--fast"}, &bus);
  EXPECT_EQ(ran.code, 0) << ran.err;
  EXPECT_EQ(ran.out,
            "terminal 4 on port 1: 7\nterminal 5 on port 1: 7\n"
            "terminal 4 on port 2: 7\nterminal 5 on port 2: 7\n");
  EXPECT_EQ(Sorted(ran.calls),
            Sorted({"icbus_set_fast_replies(1)", "icbus_session_new()", "icbus_session_new()",
                    "icbus_session_set_fast_replies(1)", "icbus_session_set_fast_replies(1)",
                    "icbus_session_enter()", "icbus_session_enter()", "GetRecordCount(1, 4)",
                    "GetRecordCount(1, 5)", "GetRecordCount(2, 4)", "GetRecordCount(2, 5)",
                    "icbus_session_leave()", "icbus_session_leave()", "icbus_session_free()",
                    "icbus_session_free()"}));
}

TEST(CountMany, SilentTerminalsAreListedAndFailTheCommand) {
  FakeBus bus;
  bus.result = -1;
  Ran ran = RunTool({"records", "count", "--port", "1", "--machine", "1,2"}, &bus);
  EXPECT_EQ(ran.code, 1);
  EXPECT_EQ(ran.out, "terminal 1 on port 1: no count\nterminal 2 on port 1: no count\n");
  EXPECT_EQ(ran.err, "icbus: 2 terminals did not report a record count\n");
}

TEST(Scan, ListsTheNumbersThatAnswerOverOneHeldPort) {
  FakeBus bus;
  bus.answering = {2, 4};
  Ran ran = RunTool({"scan", "--port", "3", "--machine", "1-5"}, &bus);
  EXPECT_EQ(ran.code, 0) << ran.err;
  EXPECT_EQ(ran.out, "2\n4\n");
  EXPECT_EQ(ran.calls,
            (Calls{"icDevInit(\"3\")", "ChangeicDevSettings(0)", "icbus_probe(1)", "icbus_probe(2)",
                   "icbus_probe(3)", "icbus_probe(4)", "icbus_probe(5)", "icDevClose()"}));
}

TEST(Scan, PortsThatDoNotOpenFailTheScan) {
  FakeBus bus;
  bus.results["icDevInit"] = 0;
  Ran ran = RunTool({"scan", "--port", "3", "--machine", "1"}, &bus);
  EXPECT_EQ(ran.code, 1);
  EXPECT_EQ(ran.err, "icbus: port 3 could not be opened\n");
}

TEST(Scan, SaysWhatItCouldNotList) {
  struct Row {
    std::vector<std::string> args;
    std::set<int> answering, garbled;
    int stop_after;  // calls before Ctrl-C; -1: never
    int code;
    std::string out, err;
    int answer = 1;  // what the other exports answer
  };
  const std::vector<std::string> scan = {"scan", "--port", "3", "--machine", "1-5"};
  const std::vector<Row> rows = {
      {scan,
       {1, 4},
       {},
       4,
       kExitSignalBase + SIGINT,
       "1\n",
       "icbus: interrupted: the scan is partial (port 3: 2 of 5 numbers tried)\n"},
      {scan,
       {4},
       {2},
       -1,
       0,
       "4\n",
       "icbus: machine 2: garbled answer \u2014 two terminals may share this number\n"},
      {scan,
       {},
       {},
       -1,
       1,
       "",
       "icbus: no terminal answered (one that answers only its management card needs --card)\n"},
      {{"scan", "--port", "3", "--machine", "1-2", "--card", "123456"},
       {},
       {},
       -1,
       1,
       "",
       "icbus: no terminal answered\n",
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Typed(row.args));
    FakeBus bus;
    bus.answering = row.answering;
    bus.garbled = row.garbled;
    bus.result = row.answer;
    Host host;
    host.stop_signal = CtrlCWhen([&] {
      return row.stop_after >= 0 && static_cast<int>(bus.calls.size()) >= row.stop_after;
    });
    Ran ran = RunTool(row.args, &bus, host);
    EXPECT_EQ(ran.code, row.code);
    EXPECT_EQ(ran.out, row.out);
    EXPECT_EQ(ran.err, row.err);
  }
}

TEST(Scan, CardFindsTerminalsByTheirSixDigitAddress) {
  FakeBus bus;
  bus.results["GetTimeA"] = 1;
  Ran ran = RunTool({"scan", "--port", "3", "--machine", "7-8", "--card", "123456"}, &bus);
  EXPECT_EQ(ran.code, 0) << ran.err;
  EXPECT_EQ(ran.out, "7\n8\n");
  EXPECT_EQ(ran.calls, (Calls{"GetTimeA(3, 7, 123456)", "GetTimeA(3, 8, 123456)"}));
}

// Two scripted terminals on two pseudo-terminals, collected side by side by
// the real library into one file each.
TEST(CollectMany, OneFilePerTerminalFromTwoBuses) {
  PtyTerminal first({{"SA005!", "OK!"}, {"SC!", "AAA!"}, {"SC!", "OVER!"}});
  PtyTerminal second({{"SA005!", "OK!"}, {"SC!", "BBB!"}, {"SC!", "CCC!"}, {"SC!", "OVER!"}});
  ASSERT_TRUE(first.ok() && second.ok());
  ::setenv("ICBUS_COM77", first.path().c_str(), 1);
  ::setenv("ICBUS_COM78", second.path().c_str(), 1);
  std::filesystem::path directory =
      std::filesystem::path(::testing::TempDir()) / ("icbus_many_" + std::to_string(::getpid()));
  std::filesystem::create_directories(directory);
  std::ostringstream out, err;
  int code = tool::Run({"records", "collect", "--port", "77,78", "--machine", "5", "--kind",
                        "water", "--out", directory.string(), "--fast"},
                       AllCommands(), LibraryApi(), out, err, Host());
  ::unsetenv("ICBUS_COM77");
  ::unsetenv("ICBUS_COM78");
  EXPECT_EQ(code, kExitOk) << err.str();
  auto read = [&](const char* name) {
    std::ifstream in(directory / name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  };
  EXPECT_EQ(read("records-p77-m005.txt"), "AAA005\r\n");
  EXPECT_EQ(read("records-p78-m005.txt"), "BBB005\r\nCCC005\r\n");
  EXPECT_NE(out.str().find("1 record from terminal 5 on port 77 written to"), std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("2 records from terminal 5 on port 78 written to"), std::string::npos)
      << out.str();
  EXPECT_EQ(first.FramesUntil("SZ!", 2s),
            (std::vector<std::string>{"SA005!", "SC!", "SC!", "SZ!"}));
  std::filesystem::remove_all(directory);
}

TEST(CollectMany, OutMustBeADirectory) {
  FakeBus bus;
  Ran ran = RunTool({"records", "collect", "--port", "1,2", "--machine", "5", "--kind", "water",
                     "--out", "/nonexistent/icbus"},
                    &bus);
  EXPECT_EQ(ran.code, 2);
  EXPECT_TRUE(ran.calls.empty());
}

}  // namespace
}  // namespace icbus::tool
