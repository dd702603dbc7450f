// icbus.exe under Wine against icbus-sim: the same commands and COM port
// numbers as on Linux, judged by what it prints and by the wire log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_process.h"
#include "icbus_version.h"
#include "sim_log.h"

namespace icbus::wine {
namespace {

using Wire = std::vector<std::string>;

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CliProblem(), "");
    ASSERT_FALSE(log_.path().empty()) << "ICBUS_SIM_LOG is not set";
    skip_ = log_.Frames().size();
  }
  Wire WireSince(std::size_t expected) { return log_.FramesAfter(skip_, expected); }
  void Restart() { skip_ = log_.Frames().size(); }

  SimLog log_;
  std::size_t skip_ = 0;
};

TEST_F(CliTest, VersionsOnStandardOutput) {
  const std::string line = "icbus " ICBUS_VERSION_STRING " (library " ICBUS_VERSION_STRING ")\n";
  for (const char* form : {"--version", "version"}) {
    CliRun run = RunCli({form});
    EXPECT_EQ(run.code, 0) << form << ": " << run.err;
    EXPECT_EQ(run.out, line) << form;
    EXPECT_EQ(run.err, "") << form;
  }
}

TEST_F(CliTest, TimeGetThroughCom1) {
  CliRun run = RunCli({"time", "get", "--port", "1", "--machine", "5"});
  ASSERT_EQ(run.code, 0) << run.err;
  ASSERT_EQ(run.out.size(), 15u) << run.out;
  const std::string clock = run.out.substr(0, 14);
  EXPECT_EQ(WireSince(5),
            (Wire{"> M SA005!", "< N OK!", "> S SD!", "< N " + clock + "!", "> S SZ!"}));
}

TEST_F(CliTest, PortTenIsCom10) {
  // COM10 and above need the \\.\ form of the name; COM10 is mapped to the
  // same line as COM1.
  CliRun run = RunCli({"time", "get", "--port", "10", "--machine", "1"});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(WireSince(5).at(0), "> M SA001!");
}

TEST_F(CliTest, APortWithoutADeviceFailsWithAReason) {
  CliRun run = RunCli({"time", "get", "--port", "2", "--machine", "5"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.err.rfind("icbus: ", 0), 0u) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(WireSince(0).empty());
}

TEST_F(CliTest, AnAmountFinerThanTheCardsUnitIsRefusedBeforeSending) {
  CliRun run = RunCli({"card", "topup", "--port", "1", "--amount", "0.09"});
  EXPECT_EQ(run.code, 2);
  EXPECT_EQ(run.err.substr(0, run.err.find('\n')),
            "icbus: 0.09 yuan is finer than this card's unit of 0.1 yuan");
  EXPECT_TRUE(WireSince(0).empty());
}

TEST_F(CliTest, ScanAsJson) {
  CliRun run = RunCli({"scan", "--port", "1", "--machine", "0-9", "--json"});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out,
            "{\"port\":1,\"machine\":1}\n{\"port\":1,\"machine\":5}\n{\"port\":1,\"machine\":9}\n");
}

TEST_F(CliTest, ABroadcastWithTwoTerminalsOnTheLineSendsOnlyTheScan) {
  CliRun run = RunCli({"machine", "number", "set", "--port", "1", "--number", "007K"});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("icbus: terminals 1 and 5 answer on port 1"), std::string::npos)
      << run.err;
  // Machines 0 to 5 asked, the two that answered released; nothing else.
  Wire wire = WireSince(14);
  for (const std::string& frame : wire) {
    if (frame.rfind("> ", 0) != 0) continue;
    bool probe = frame.rfind("> M SA00", 0) == 0 && frame.size() == 10;
    EXPECT_TRUE(probe || frame == "> S SZ!") << frame;
  }
  EXPECT_EQ(wire.back(), "> S SZ!");
}

TEST_F(CliTest, ChineseTextsReachTheTerminalInGbk) {
  CliRun run = RunCli({"set", "display", "--port", "1", "--machine", "9", "--line", "A", "--text",
                       "\xe7\x8e\x8b\xe4\xb8\x80"});  // 王一
  EXPECT_EQ(run.code, 0) << run.err;
  Wire wire = WireSince(5);
  ASSERT_EQ(wire.size(), 5u);
  EXPECT_NE(wire[2].find("A\\xCD\\xF5\\xD2\\xBB"), std::string::npos) << wire[2];

  // A character GBK does not have is refused before anything is sent.
  Restart();
  run = RunCli({"set", "display", "--port", "1", "--machine", "9", "--line", "A", "--text",
                "\xf0\x9f\x98\x80"});
  EXPECT_EQ(run.code, 2);
  EXPECT_NE(run.err.find("--text has characters GBK cannot represent"), std::string::npos)
      << run.err;
  EXPECT_TRUE(WireSince(0).empty());
}

TEST_F(CliTest, RecordsToStandardOutput) {
  CliRun run = RunCli({"records", "collect", "--port", "1", "--machine", "9", "--kind",
                       "attendance", "--out", "-"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.err, "2 records from terminal 9 on port 1 written to standard output\n");
  // Each record line (with the machine number after it) ends in one CR LF,
  // as in a record file: standard output adds no second CR.
  EXPECT_EQ(run.out, "2026010108001234561009\r\n2026010108050000422009\r\n");
  Wire wire = WireSince(6);
  ASSERT_FALSE(wire.empty());
  EXPECT_EQ(wire.back(), "> S SZ!");
}

}  // namespace
}  // namespace icbus::wine
