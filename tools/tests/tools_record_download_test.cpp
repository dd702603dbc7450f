// The download loop, the record file and the progress line on their own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "cli/progress.h"
#include "commands/record_download.h"
#include "fake_bus.h"

namespace icbus::tool {
namespace {

using Lines = std::vector<std::string>;

struct Drained {
  DownloadEnd end;
  Lines lines;
};

Drained Drain(std::initializer_list<FakeReply> replies, size_t refuse_after = 1000) {
  FakeBus bus;
  bus.records = replies;
  const BusApi& api = UseFakeBus(&bus);
  Drained drained;
  drained.end = DrainRecords(api.get_next_k, 7, [&](const std::string& line) {
    if (drained.lines.size() == refuse_after) return false;
    drained.lines.push_back(line);
    return true;
  });
  return drained;
}

TEST(DrainRecords, DeliversEveryLineUntilTheEndMarker) {
  Drained d = Drain({{1, "20X007"}, {1, "20Y007"}, {1, "OVER"}, {1, "20Z007"}});
  EXPECT_EQ(d.lines, (Lines{"20X007", "20Y007"}));
  EXPECT_EQ(d.end.lines, 2);
  EXPECT_TRUE(d.end.complete);
  EXPECT_FALSE(d.end.abandoned);
}

TEST(DrainRecords, AFailedCallEndsIncomplete) {
  Drained d = Drain({{1, "20X007"}, {0, std::nullopt}, {1, "20Y007"}});
  EXPECT_EQ(d.lines, (Lines{"20X007"}));
  EXPECT_FALSE(d.end.complete);
}

TEST(DrainRecords, AnEmptyTextEndsIncomplete) {
  Drained d = Drain({{1, ""}, {1, "20X007"}});
  EXPECT_TRUE(d.lines.empty());
  EXPECT_FALSE(d.end.complete);
}

TEST(DrainRecords, ACallThatWritesNothingIsNotTheLastRecordAgain) {
  // A success that leaves the buffer alone must not repeat the record before.
  Drained d = Drain({{1, "20X007"}, {1, std::nullopt}, {1, "OVER"}});
  EXPECT_EQ(d.lines, (Lines{"20X007"}));
  EXPECT_FALSE(d.end.complete);
}

TEST(DrainRecords, ARefusedLineStopsAtOnce) {
  Drained d = Drain({{1, "20X007"}, {1, "20Y007"}, {1, "OVER"}}, 1);
  EXPECT_EQ(d.end.lines, 1);
  EXPECT_TRUE(d.end.abandoned);
  EXPECT_FALSE(d.end.complete);
}

TEST(RecordFile, WritesLinesWithCrLfAndReplacesTheFile) {
  std::string path = ::testing::TempDir() + "icbus_record_file_" + std::to_string(::getpid());
  std::ofstream(path) << "old content that must go\n";
  RecordFile file;
  ASSERT_TRUE(file.Open(path));
  EXPECT_TRUE(file.Append("20A001"));
  EXPECT_TRUE(file.Append(""));
  EXPECT_TRUE(file.Append("20B001"));
  EXPECT_TRUE(file.Close());
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "20A001\r\n\r\n20B001\r\n");
  ::unlink(path.c_str());
}

TEST(RecordFile, ReportsWhatCouldNotBeWritten) {
  RecordFile missing;
  EXPECT_FALSE(missing.Open(::testing::TempDir() + "no-such-directory/x.txt"));
  RecordFile full;
  ASSERT_TRUE(full.Open("/dev/full"));
  full.Append("20A001");
  EXPECT_FALSE(full.Close());
}

TEST(ProgressLine, DrawsTheShareDone) {
  EXPECT_EQ(ProgressLine(0, 4), "\r[                              ]  0/4 records");
  EXPECT_EQ(ProgressLine(1, 4), "\r[#######                       ]  1/4 records");
  EXPECT_EQ(ProgressLine(4, 4), "\r[##############################]  4/4 records");
}

TEST(ProgressLine, MoreThanCountedKeepsAFullBar) {
  EXPECT_EQ(ProgressLine(5, 4), "\r[##############################]  5/4 records");
  EXPECT_EQ(ProgressLine(3, 0), "\r[##############################]  3/0 records");
}

TEST(ProgressLine, WithoutACountShowsTheNumber) {
  EXPECT_EQ(ProgressLine(12, -1), "\r  12 records");
}

}  // namespace
}  // namespace icbus::tool
