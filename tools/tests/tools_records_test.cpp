// records count, records total and records collect against the fake bus:
// which exports a kind pairs, and what reaches the file when a download
// completes, breaks off or cannot be written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "cli/progress.h"
#include "tool_fixture.h"

namespace icbus::tool {
namespace {

using Calls = std::vector<std::string>;

std::vector<std::string> At(std::vector<std::string> words, std::vector<std::string> more = {}) {
  words.insert(words.end(), {"--port", "1", "--machine", "5"});
  words.insert(words.end(), more.begin(), more.end());
  return words;
}

TEST(RecordCounts, EachKindAsksItsOwnExport) {
  ExpectCalls({
      {At({"records", "count"}), {"GetRecordCount(1, 5)"}, "1\n"},
      {At({"records", "count"}, {"--kind", "water"}), {"GetRecordCount(1, 5)"}, "1\n"},
      {At({"records", "count"}, {"--kind", "topup", "--card", "42"}),
       {"GetRecordCountA(1, 5, 42)"},
       "1\n"},
      {At({"records", "count"}, {"--kind", "desktop", "--card", "42"}),
       {"GetRecordCountAt(1, 5, 42)"},
       "1\n"},
      {At({"records", "count"}, {"--code", "0"}), {"GetRecordCountR(1, 5, 0)"}, "1\n"},
      {At({"records", "total"}), {"GetTotal(1, 5)"}, "12.5\n"},
      {At({"records", "total"}, {"--decimals", "2"}),
       {"SetDecLen(\"2\")", "GetTotal(1, 5)"},
       "12.50\n"},
  });
}

TEST(RecordCounts, ZeroIsACountAndMinusOneAFailure) {
  FakeBus bus;
  bus.result = 0;
  Ran empty = RunTool(At({"records", "count"}), &bus);
  EXPECT_EQ(empty.code, 0);
  EXPECT_EQ(empty.out, "0\n");
  ExpectFailures({
      {At({"records", "count"}), -1, "terminal 5 on port 1 did not report its record count"},
      {At({"records", "count"}, {"--kind", "topup", "--card", "7"}), -1,
       "terminal 5 (card 7) on port 1 did not report its record count"},
      {At({"records", "total"}), -1, "terminal 5 on port 1 did not report its total"},
  });
}

TEST(RecordCounts, TopUpKindsNeedTheManagementCard) {
  ExpectUsageErrors({
      {At({"records", "count"}, {"--kind", "topup"}),
       "--kind topup needs --card: top-up machines are addressed with their management card"},
      {At({"records", "count"}, {"--card", "5"}),
       "--card is for top-up machines (--kind topup or desktop)"},
      {At({"records", "count"}, {"--code", "3", "--kind", "water"}),
       "--code counts on its own: it takes neither --kind nor --card"},
      {At({"records", "count"}, {"--code", "10"}), "--code must be between 0 and 9, not 10"},
      {At({"records", "collect"}, {"--kind", "desktop", "--out", "x"}),
       "--kind desktop needs --card: top-up machines are addressed with their management card"},
      {At({"records", "collect"}, {"--kind", "meals", "--out", "x"}),
       "--kind must be consumption|attendance|backup|water|topup|desktop|short, not 'meals'"},
      {At({"records", "collect"}, {"--kind", "water"}), "give --out FILE or --db FILE"},
  });
}

class CollectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = ::testing::TempDir() + "icbus_collect_" + std::to_string(::getpid()) + ".txt";
  }
  void TearDown() override { ::unlink(path_.c_str()); }

  Ran Collect(const std::string& kind, std::vector<std::string> more = {}) {
    more.insert(more.end(), {"--kind", kind, "--out", path_});
    return RunTool(At({"records", "collect"}, more), &bus_, host_);
  }
  std::string File() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  void Records(std::initializer_list<FakeReply> replies) { bus_.records = replies; }

  FakeBus bus_;
  Host host_;
  std::string path_;
};

TEST_F(CollectTest, WritesEveryRecordLineWithCrLf) {
  bus_.results["GetRecordCount"] = 3;
  Records({{1, "20A005"}, {1, "20B005"}, {1, "20C005"}, {1, "OVER"}});
  Ran ran = Collect("consumption");
  EXPECT_EQ(ran.code, 0) << ran.err;
  EXPECT_EQ(File(), "20A005\r\n20B005\r\n20C005\r\n");
  EXPECT_EQ(ran.calls, (Calls{"GetRecordCount(1, 5)", "GetFirst(1, 5)", "GetNext(5)", "GetNext(5)",
                              "GetNext(5)", "GetNext(5)"}));
  EXPECT_EQ(ran.out, "3 records from terminal 5 on port 1 written to " + path_ + "\n");
  EXPECT_EQ(ran.err, "");
}

TEST_F(CollectTest, EachKindPairsItsOpeningAndRecordCall) {
  struct Row {
    std::string kind;
    std::vector<std::string> card;
    Calls calls;
  };
  const std::vector<Row> rows = {
      {"attendance", {}, {"GetRecordCount(1, 5)", "GetFirst(1, 5)", "GetNextK(5)"}},
      {"backup", {}, {"GetRecordCount(1, 5)", "GetFirst(1, 5)", "GetNextBak(5)"}},
      {"short", {}, {"GetRecordCount(1, 5)", "GetFirst(1, 5)", "GetNextR(5)"}},
      {"water", {}, {"GetFirst(1, 5)", "GetNextW(5)"}},
      {"topup", {"--card", "9"}, {"GetRecordCountA(1, 5, 9)", "GetFirstA(1, 5, 9)", "GetNextA(5)"}},
      {"desktop",
       {"--card", "9"},
       {"GetRecordCountAt(1, 5, 9)", "GetFirstA(1, 5, 9)", "GetNextAt(5)"}},
  };
  for (const Row& row : rows) {
    Records({{1, "OVER"}});
    Ran ran = Collect(row.kind, row.card);
    EXPECT_EQ(ran.code, 0) << row.kind << ": " << ran.err;
    EXPECT_EQ(ran.calls, row.calls) << row.kind;
    EXPECT_EQ(File(), "") << row.kind;
  }
}

TEST_F(CollectTest, ABreakOffKeepsTheLinesAndSaysWhy) {
  Records({{1, "20A005"}, {1, "20B005"}, {0, std::nullopt}});
  bus_.error = ICBUS_ERR_TRANSFER;
  bus_.error_message = "reading from port 1 (/dev/ttyS0) failed: Input/output error";
  Ran ran = Collect("consumption", {"--json"});
  EXPECT_EQ(ran.code, 1);
  EXPECT_EQ(File(), "20A005\r\n20B005\r\n");
  EXPECT_NE(ran.err.find("\"error\":\"the download from terminal 5 on port 1 broke off after 2 "
                         "records, which are in " +
                         path_ + " (reading from port 1 (/dev/ttyS0) failed: Input/output error)"),
            std::string::npos)
      << ran.err;
  EXPECT_EQ(ran.out, "{\"port\":1,\"machine\":5,\"records\":2,\"file\":\"" + path_ +
                         "\",\"complete\":false}\n");
}

TEST_F(CollectTest, AnEmptyEndWithoutTheMarkerIsABreakOff) {
  Records({{1, "A007"}, {1, ""}});
  Ran ran = Collect("water");
  EXPECT_EQ(ran.code, 1);
  EXPECT_EQ(File(), "A007\r\n");
  EXPECT_NE(ran.err.find("broke off after 1 record,"), std::string::npos) << ran.err;
}

// Answers that cannot be records are kept, but the download fails naming them.
TEST_F(CollectTest, LinesThatAreNoRecordsAreKeptAndNamed) {
  struct Row {
    std::vector<std::string> lines;
    std::string problem;
  };
  const std::vector<Row> rows = {
      {{"20A005", "20B005", "20ERR", "20C005"}, "record 3 is 5 characters, the others 6"},
      {{"20A005",
        "20\x01"
        "B005",
        "20C005", "20D"},
       "record 2 holds the byte \\x01, which no record has (and 1 more)"},
      {{"20" + std::string(35, 'A'), "20" + std::string(35, 'B')},
       "record 1 is 37 characters, longer than any consumption record (36) (and 1 more)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.problem);
    std::deque<FakeReply> records;
    std::string file;
    for (const std::string& line : row.lines) {
      records.push_back({1, line});
      file += line + "\r\n";
    }
    records.push_back({1, "OVER"});
    bus_.records = records;
    Ran ran = Collect("consumption");
    EXPECT_EQ(ran.code, 1);
    EXPECT_EQ(File(), file);
    EXPECT_EQ(ran.err, "icbus: " + std::to_string(row.lines.size()) +
                           " records from terminal 5 "
                           "on port 1 written to " +
                           path_ + ", but " + row.problem + ": is --kind right?\n");
  }
}

TEST_F(CollectTest, AFailedCountLeavesTheFileAlone) {
  Write("earlier download\r\n");
  bus_.results["GetRecordCount"] = -1;
  Ran ran = Collect("consumption");
  EXPECT_EQ(ran.code, 1);
  EXPECT_EQ(ran.calls, (Calls{"GetRecordCount(1, 5)"}));
  EXPECT_EQ(File(), "earlier download\r\n");
  EXPECT_EQ(ran.err, "icbus: terminal 5 on port 1 did not report its record count; " + path_ +
                         " was not touched\n");
}

TEST_F(CollectTest, AFailedOpeningLeavesAnEmptyFile) {
  Write("earlier download\r\n");
  bus_.results["GetFirst"] = 0;
  Ran ran = Collect("attendance");
  EXPECT_EQ(ran.code, 1);
  EXPECT_EQ(ran.calls, (Calls{"GetRecordCount(1, 5)", "GetFirst(1, 5)"}));
  EXPECT_EQ(File(), "");
  EXPECT_EQ(ran.err,
            "icbus: terminal 5 on port 1 did not open a download; " + path_ + " is empty\n");
}

TEST_F(CollectTest, AFileThatCannotBeWrittenStopsBeforeTheDownload) {
  path_ = ::testing::TempDir() + "no-such-directory/records.txt";
  Ran ran = Collect("consumption");
  EXPECT_EQ(ran.code, 1);
  EXPECT_TRUE(ran.calls.empty());
  EXPECT_EQ(ran.err,
            "icbus: cannot write " + path_ + ": No such file or directory; nothing was sent\n");
}

TEST_F(CollectTest, AFullDiskAbandonsTheDownloadAndReleasesThePort) {
  path_ = "/dev/full";
  // Enough lines to overflow the stream's buffer while the download runs.
  for (int i = 0; i < 5000; ++i) bus_.records.push_back({1, "20" + std::string(32, 'A') + "005"});
  bus_.records.push_back({1, "OVER"});
  Ran ran = Collect("consumption");
  EXPECT_EQ(ran.code, 1);
  // The terminal is released ("SZ!") and the port closed.
  EXPECT_EQ(ran.calls.back(), "icbus_end_download()");
  EXPECT_FALSE(bus_.records.empty()) << "the download went on after the disk was full";
  EXPECT_NE(ran.err.find("writing /dev/full failed after"), std::string::npos) << ran.err;
  path_.clear();
}

TEST_F(CollectTest, AFullDiskIsFoundAtTheFirstRecord) {
  // Every line is flushed as it is written, so the first one finds the disk
  // full and the download stops there.
  path_ = "/dev/full";
  Records({{1, "20A005"}, {1, "OVER"}});
  Ran ran = Collect("consumption");
  EXPECT_EQ(ran.code, 1);
  EXPECT_EQ(ran.err,
            "icbus: writing /dev/full failed after 0 records; the download was abandoned\n");
  EXPECT_EQ(ran.calls.back(), "icbus_end_download()");
  path_.clear();
}

TEST_F(CollectTest, OnATerminalAProgressBarCountsAgainstTheCount) {
  host_.progress = true;
  bus_.results["GetRecordCount"] = 2;
  Records({{1, "20A005"}, {1, "20B005"}, {1, "OVER"}});
  Ran ran = Collect("consumption");
  EXPECT_EQ(ran.code, 0);
  EXPECT_EQ(ran.err, ProgressLine(0, 2) + ProgressLine(1, 2) + ProgressLine(2, 2) + "\n");
}

TEST_F(CollectTest, WithoutACountTheBarCountsAlone) {
  host_.progress = true;
  Records({{1, "A005"}, {1, "OVER"}});
  Ran ran = Collect("water");
  EXPECT_EQ(ran.err, ProgressLine(0, -1) + ProgressLine(1, -1) + "\n");
}

TEST_F(CollectTest, CtrlCReleasesTheTerminalAndKeepsTheRecordsSoFar) {
  bus_.results["GetRecordCount"] = 4;
  Records({{1, "20A005"}, {1, "20B005"}, {1, "20C005"}, {1, "20D005"}, {1, "OVER"}});
  // The user presses Ctrl-C once two records have arrived.
  host_.stop_signal = CtrlCWhen([this] { return bus_.records.size() <= 3; });
  Ran ran = Collect("consumption");
  EXPECT_EQ(ran.code, kExitSignalBase + SIGINT);
  EXPECT_EQ(ran.calls, (Calls{"GetRecordCount(1, 5)", "GetFirst(1, 5)", "GetNext(5)", "GetNext(5)",
                              "icbus_end_download()"}));
  EXPECT_EQ(File(), "20A005\r\n20B005\r\n");
  EXPECT_EQ(ran.err,
            "icbus: interrupted: the download from terminal 5 on port 1 stopped after 2 records, "
            "which are in " +
                path_ + "; the terminal was released\n");
}

TEST_F(CollectTest, CtrlCBeforeTheDownloadSendsNothing) {
  Write("earlier download\r\n");
  host_.stop_signal = CtrlCWhen([] { return true; });
  Ran ran = Collect("consumption");
  EXPECT_EQ(ran.code, kExitSignalBase + SIGINT);
  EXPECT_TRUE(ran.calls.empty());
  EXPECT_EQ(File(), "earlier download\r\n");
}

TEST_F(CollectTest, AnInterruptedCollectOfSeveralNamesTheDownloadsThatNeverStarted) {
  Records({{1, "20A005"}, {1, "OVER"}});
  host_.stop_signal = CtrlCWhen([this] { return bus_.records.empty(); });
  Ran ran = RunTool({"records", "collect", "--port", "1", "--machine", "5-7", "--kind",
                     "consumption", "--out", ::testing::TempDir()},
                    &bus_, host_);
  EXPECT_EQ(ran.code, kExitSignalBase + SIGINT);
  EXPECT_EQ(ran.err,
            "icbus: 2 downloads never started (terminal 6 on port 1, terminal 7 on port 1)\n");
  ::unlink((::testing::TempDir() + "records-p1-m005.txt").c_str());
}

TEST_F(CollectTest, EveryLineIsInTheFileAsSoonAsItArrives) {
  // What a killed program leaves behind: the lines written so far, flushed.
  Records({{1, "20A005"}, {1, "20B005"}, {1, "OVER"}});
  std::vector<std::string> seen;
  host_.stop_signal = CtrlCWhen([&] {
    seen.push_back(File());
    return false;
  });
  EXPECT_EQ(Collect("consumption").code, 0);
  ASSERT_GE(seen.size(), 3u);
  // Asked before each record: the first line was in the file before the second came.
  EXPECT_EQ(std::count(seen.begin(), seen.end(), "20A005\r\n"), 1);
  EXPECT_EQ(seen.back(), "20A005\r\n20B005\r\n");
}

TEST_F(CollectTest, DashWritesTheRecordsToStandardOutput) {
  ::unlink(path_.c_str());
  path_ = "-";
  Records({{1, "20A005"}, {1, "20B005"}, {1, "OVER"}});
  Ran ran = Collect("consumption");
  EXPECT_EQ(ran.code, 0) << ran.err;
  EXPECT_EQ(ran.out, "20A005\r\n20B005\r\n");
  EXPECT_EQ(ran.err, "2 records from terminal 5 on port 1 written to standard output\n");
  EXPECT_NE(::access("-", F_OK), 0) << "a file named '-' was made";
  path_.clear();
}

TEST_F(CollectTest, DashTakesOneTerminalOnly) {
  ExpectUsageErrors({{{"records", "collect", "--port", "1", "--machine", "1,2", "--kind",
                       "consumption", "--out", "-"},
                      "--out - takes the records of one terminal; with several, --out names a "
                      "directory"}});
}

}  // namespace
}  // namespace icbus::tool
