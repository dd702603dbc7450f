#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/run.h"
#include "commands/catalog.h"
#include "fake_bus.h"
#include "tool_fixture.h"

namespace icbus::tool {
namespace {

using Calls = std::vector<std::string>;

class RunTest : public ::testing::Test {
 protected:
  int RunArgs(std::vector<std::string> args) {
    return tool::Run(args, AllCommands(), UseFakeBus(&bus_), out_, err_);
  }
  FakeBus bus_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(RunTest, TimeGetPrintsTheClockText) {
  bus_.clock = "0501 12:00";
  EXPECT_EQ(RunArgs({"time", "get", "--port", "1", "--machine", "5"}), kExitOk);
  EXPECT_EQ(bus_.calls, (Calls{"GetTime(1, 5)"}));
  EXPECT_EQ(out_.str(), "0501 12:00\n");
  EXPECT_EQ(err_.str(),
            "icbus: warning: the clock text of terminal 5 on port 1, '0501 12:00', is not 14 "
            "digits (YYYYMMDDhhmmss): the clock may never have been set ('icbus time set')\n");
}

TEST_F(RunTest, TimeGetPrintsAnEmptyClockTextAsAnEmptyLine) {
  bus_.clock = "";
  EXPECT_EQ(RunArgs({"time", "get", "--port", "1", "--machine", "5"}), kExitOk);
  EXPECT_EQ(out_.str(), "\n");
}

TEST_F(RunTest, CardSelectsTheSixDigitVariant) {
  EXPECT_EQ(RunArgs({"time", "get", "--port", "3", "--machine", "7", "--card", "123456"}), kExitOk);
  EXPECT_EQ(RunArgs({"time", "set", "--port", "3", "--machine", "7", "--card", "12"}), kExitOk);
  EXPECT_EQ(RunArgs({"clear", "--card", "0", "--port", "3", "--machine", "7"}), kExitOk);
  EXPECT_EQ(bus_.calls, (Calls{"GetTimeA(3, 7, 123456)", "SetTimeA(3, 7, 12)", "ClearA(3, 7, 0)"}));
}

TEST_F(RunTest, SetAndClearReportWhatWasDone) {
  EXPECT_EQ(RunArgs({"time", "set", "--port", "2", "--machine", "9"}), kExitOk);
  EXPECT_EQ(RunArgs({"clear", "--port", "2", "--machine", "9"}), kExitOk);
  EXPECT_EQ(bus_.calls, (Calls{"SetTime(2, 9)", "Clear(2, 9)"}));
  EXPECT_EQ(out_.str(),
            "clock of terminal 9 on port 2 set to 1900-01-00T00:00:00+00:00\n"
            "records of terminal 9 on port 2 cleared\n");
}

TEST_F(RunTest, FailuresGiveOneLineAndExitCodeOne) {
  bus_.result = 0;
  EXPECT_EQ(RunArgs({"time", "get", "--port", "1", "--machine", "5"}), kExitFailed);
  EXPECT_EQ(RunArgs({"time", "set", "--port", "1", "--machine", "5", "--card", "99"}), kExitFailed);
  EXPECT_EQ(RunArgs({"clear", "--port", "4", "--machine", "0"}), kExitFailed);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(err_.str(),
            "icbus: terminal 5 on port 1 did not answer the clock request\n"
            "icbus: terminal 5 (card 99) on port 1 did not confirm the new clock\n"
            "icbus: terminal 0 on port 4 did not confirm clearing its records\n");
}

TEST_F(RunTest, DecimalsIsSetBeforeTheCommandRuns) {
  EXPECT_EQ(RunArgs({"--decimals", "2", "clear", "--port", "1", "--machine", "5"}), kExitOk);
  EXPECT_EQ(RunArgs({"clear", "--port", "1", "--machine", "5", "--decimals=1"}), kExitOk);
  EXPECT_EQ(bus_.calls,
            (Calls{"SetDecLen(\"2\")", "Clear(1, 5)", "SetDecLen(\"1\")", "Clear(1, 5)"}));
}

TEST_F(RunTest, WithoutDecimalsTheSettingIsLeftAlone) {
  EXPECT_EQ(RunArgs({"clear", "--port", "1", "--machine", "5"}), kExitOk);
  EXPECT_EQ(bus_.calls, (Calls{"Clear(1, 5)"}));
}

TEST_F(RunTest, UsageErrorsSendNothingAndExitTwo) {
  EXPECT_EQ(RunArgs({"clear", "--port", "1", "--machine", "1000", "--decimals", "2"}), kExitUsage);
  EXPECT_TRUE(bus_.calls.empty());
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(err_.str(),
            "icbus: --machine must be between 0 and 999, not 1000\n"
            "Try 'icbus clear --help'.\n");
}

TEST_F(RunTest, VersionAndUnknownOptionsAreNamed) {
  ExpectUsageErrors({
      {{"--bogus"}, "unknown option --bogus"},
      {{"time", "get", "--port", "1", "--machine", "1", "--bogus"}, "unknown option --bogus"},
      {{"--bogus=1", "time", "get"}, "unknown option --bogus"},
      {{"--version", "extra"}, "--version stands alone, not with 'extra'"},
  });
  EXPECT_EQ(RunArgs({"--json", "--version"}), kExitOk) << err_.str();
  EXPECT_EQ(out_.str().rfind("{\"tool\":", 0), 0u) << out_.str();
}

TEST_F(RunTest, SettingsTheLibraryWouldIgnoreAreWarnedAbout) {
  struct Row {
    std::map<std::string, std::string> environment;
    std::string err;
  };
  const std::vector<Row> rows = {
      {{{"ICBUS_FAST_REPLIES", "yes"}},
       "icbus: warning: ICBUS_FAST_REPLIES is 'yes', which is neither 1 (on) nor 0 (off): fast "
       "replies stay off\n"},
      {{{"ICBUS_TRACE", "/nonexistent/dir/x.log"}},
       "icbus: warning: ICBUS_TRACE names /nonexistent/dir/x.log, which cannot be written (No "
       "such file or directory): no trace is kept\n"},
      {{{"ICBUS_FAST_REPLIES", "1"}, {"ICBUS_TRACE", "stderr"}}, ""},
  };
  for (const Row& row : rows) {
    FakeBus bus;
    Host host;
    host.environment = [&](const char* name) -> const char* {
      auto it = row.environment.find(name);
      return it == row.environment.end() ? nullptr : it->second.c_str();
    };
    Ran ran = RunTool({"time", "get", "--port", "1", "--machine", "5"}, &bus, host);
    EXPECT_EQ(ran.code, 0);
    EXPECT_EQ(ran.err, row.err);
  }
}

TEST_F(RunTest, ListsWorkEveryTerminalOneLineEach) {
  ExpectCalls({
      {{"time", "get", "--port", "1,2", "--machine", "5-6"},
       {"GetTime(1, 5)", "GetTime(1, 6)", "GetTime(2, 5)", "GetTime(2, 6)"},
       "terminal 5 on port 1: 20240102030405\nterminal 6 on port 1: 20240102030405\n"
       "terminal 5 on port 2: 20240102030405\nterminal 6 on port 2: 20240102030405\n"},
      {{"machine", "state", "--port", "1", "--machine", "1,3", "--json"},
       {"GetState(1, 1)", "GetState(1, 3)"},
       "{\"port\":1,\"machine\":1,\"in_service\":true}\n"
       "{\"port\":1,\"machine\":3,\"in_service\":true}\n"},
      {{"records", "total", "--port", "3", "--machine", "1-2"},
       {"GetTotal(3, 1)", "GetTotal(3, 2)"},
       "terminal 1 on port 3: 12.5\nterminal 2 on port 3: 12.5\n"},
  });
  FakeBus bus;
  bus.results["SetTime"] = 0;
  Ran ran = RunTool({"time", "set", "--port", "1", "--machine", "1,2"}, &bus);
  EXPECT_EQ(ran.code, 1);
  EXPECT_EQ(ran.err,
            "icbus: terminal 1 on port 1 did not confirm the new clock\n"
            "icbus: terminal 2 on port 1 did not confirm the new clock\n"
            "icbus: 2 of 2 terminals failed\n");
}

TEST_F(RunTest, GroupUsageErrorsPointAtTheGroupHelp) {
  EXPECT_EQ(RunArgs({"time"}), kExitUsage);
  EXPECT_EQ(err_.str(), "icbus: 'time' needs a subcommand\nTry 'icbus time --help'.\n");
}

TEST_F(RunTest, NoArgumentsIsAUsageError) {
  EXPECT_EQ(RunArgs({}), kExitUsage);
  EXPECT_EQ(err_.str(), "icbus: no command given\nTry 'icbus --help'.\n");
}

TEST_F(RunTest, HelpGoesToStandardOutputAndSendsNothing) {
  EXPECT_EQ(RunArgs({"clear", "--help"}), kExitOk);
  EXPECT_EQ(out_.str().rfind("Usage: icbus clear ", 0), 0u) << out_.str();
  EXPECT_EQ(RunArgs({"--help"}), kExitOk);
  EXPECT_NE(out_.str().find("time get"), std::string::npos);
  EXPECT_TRUE(bus_.calls.empty());
  EXPECT_EQ(err_.str(), "");
}

}  // namespace
}  // namespace icbus::tool
