// The wire trace in virtual time: every frame with its mode and time stamp,
// every read with what came and how it ended, in the notation of the wire
// log, and the same frames the line saw.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/wire_text.h"
#include "icbus.h"
#include "line_fixture.h"

namespace icbus::test {
namespace {

using Lines = std::vector<std::string>;

void Collect(const char* line, void* lines) { static_cast<Lines*>(lines)->push_back(line); }

// The lines without their time stamps.
Lines Unstamped(const Lines& lines) {
  Lines kept;
  for (const std::string& line : lines)
    if (line.rfind("# at ", 0) != 0) kept.push_back(line);
  return kept;
}

// The frame lines of the line's own log, in the trace's notation: what the
// host wrote with its mode, what the devices sent.
Lines LineLog(const sim::VirtualLine& line) {
  Lines frames;
  for (const sim::WireEntry& entry : line.log()) {
    frames.push_back(WireFrameLine(entry.direction, static_cast<char>(entry.mode), entry.bytes));
  }
  return frames;
}

Lines Frames(const Lines& lines) {
  Lines frames;
  for (const std::string& line : lines)
    if (line.rfind("> ", 0) == 0 || line.rfind("< ", 0) == 0) frames.push_back(line);
  return frames;
}

class Trace : public LineTest {
 protected:
  Trace() : session_(icbus_session_new()) { icbus_session_set_trace(session_, Collect, &lines_); }
  ~Trace() override { icbus_session_free(session_); }
  int OnSession(int (*call)()) {
    icbus_session_enter(session_);
    int result = call();
    icbus_session_leave(session_);
    return result;
  }

  icbus_session* session_;
  Lines lines_;
};

int ClockOfFive() {
  char out[16];
  return GetTime(1, 5, out);
}

TEST_F(Trace, AWholeTransactionFrameByFrame) {
  ASSERT_EQ(OnSession(ClockOfFive), 1);
  EXPECT_EQ(Unstamped(lines_),
            (Lines{"# open port 1 (COM1)", "> M SA005!", "< N OK!",
                   "# read 3 of 4 bytes in 201 ms, time-out", "> S SD!", "< N 20260102030405!",
                   "# read 15 of 15 bytes in 7 ms", "> S SZ!", "# close port 1 (COM1)"}));
  EXPECT_EQ(Frames(lines_), LineLog(line()));
}

TEST_F(Trace, EachEventIsStampedWithTheClockWhenItHappened) {
  ASSERT_EQ(OnSession(ClockOfFive), 1);
  // Every write is stamped at the moment the line logged it.
  std::vector<std::uint64_t> write_times;
  for (std::size_t i = 1; i < lines_.size(); ++i) {
    if (lines_[i].rfind("> ", 0) != 0) continue;
    ASSERT_EQ(lines_[i - 1].rfind("# at ", 0), 0u) << lines_[i - 1];
    write_times.push_back(std::stoull(lines_[i - 1].substr(5)));
  }
  std::vector<std::uint64_t> logged;
  for (const sim::WireEntry& entry : line().log())
    if (entry.direction == '>') logged.push_back(entry.micros);
  EXPECT_EQ(write_times, logged);
  std::uint64_t last = 0;
  for (const std::string& line : lines_) {
    if (line.rfind("# at ", 0) != 0) continue;
    std::uint64_t at = std::stoull(line.substr(5));
    EXPECT_GE(at, last);
    last = at;
  }
}

TEST_F(Trace, SilenceIsAReadOfNothing) {
  ASSERT_EQ(OnSession([] {
              char out[16];
              return GetTime(1, 7, out);
            }),
            0);
  EXPECT_EQ(Unstamped(lines_),
            (Lines{"# open port 1 (COM1)", "> M SA007!", "# read 0 of 4 bytes in 1000 ms, time-out",
                   "> S SZ!", "# close port 1 (COM1)"}));
}

TEST_F(Trace, BytesOutsidePrintableAsciiAreEscapedAsInTheLog) {
  sim::Fault fault;
  fault.kind = sim::Fault::Kind::kZeroBeforeBang;
  fault.frame_prefix = "SA";
  terminal().AddFault(fault);
  ASSERT_EQ(OnSession(ClockOfFive), 0);
  EXPECT_EQ(Unstamped(lines_)[2], "< N OK\\x00!");
  EXPECT_EQ(Frames(lines_), LineLog(line()));
}

TEST_F(Trace, FastRepliesSayTheReadEndedAtItsBang) {
  icbus_session_set_fast_replies(session_, 1);
  ASSERT_EQ(OnSession(ClockOfFive), 1);
  EXPECT_EQ(Unstamped(lines_)[3], "# read 3 of 4 bytes in 6 ms, ended at its \"!\"");
}

TEST_F(Trace, OffItSeesNothingAndTheDefaultSessionIsNotTraced) {
  char out[16];
  ASSERT_EQ(GetTime(1, 5, out), 1);  // the default session
  EXPECT_TRUE(lines_.empty());
  icbus_session_set_trace(session_, nullptr, nullptr);
  ASSERT_EQ(OnSession(ClockOfFive), 1);
  EXPECT_TRUE(lines_.empty());
}

TEST_F(Trace, TheProcessTraceGoesToAFile) {
  const std::string path = ::testing::TempDir() + "icbus_trace_" + std::to_string(::getpid());
  std::remove(path.c_str());
  ASSERT_EQ(icbus_set_trace_file(path.c_str()), 1);
  char out[16];
  EXPECT_EQ(GetTime(1, 5, out), 1);
  ASSERT_EQ(icbus_set_trace_file(nullptr), 1);
  EXPECT_EQ(GetTime(1, 5, out), 1);  // no longer traced
  std::ifstream file(path);
  Lines lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  EXPECT_EQ(Frames(lines).size(), 5u);
  Lines first_call = LineLog(line());
  first_call.resize(5);
  EXPECT_EQ(Frames(lines), first_call);
  std::remove(path.c_str());
}

// Appended to: what the file held stays, also when it is named twice.
TEST_F(Trace, AnExistingFileKeepsItsEarlierLines) {
  const std::string path = ::testing::TempDir() + "icbus_trace_kept_" + std::to_string(::getpid());
  std::ofstream(path) << "earlier line\n";
  char out[16];
  ASSERT_EQ(icbus_set_trace_file(path.c_str()), 1);
  EXPECT_EQ(GetTime(1, 5, out), 1);
  ASSERT_EQ(icbus_set_trace_file(path.c_str()), 1);
  EXPECT_EQ(GetTime(1, 5, out), 1);
  ASSERT_EQ(icbus_set_trace_file(nullptr), 1);
  std::ifstream file(path);
  Lines lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "earlier line");
  EXPECT_EQ(Frames(lines), LineLog(line()));
  EXPECT_EQ(Frames(lines).size(), 10u);
  std::remove(path.c_str());
}

TEST_F(Trace, AFailedWriteLeavesItsNote) {
  line().fail_when = [](const sim::PortCall& call) { return call.op == sim::PortOp::kWrite; };
  EXPECT_EQ(OnSession(ClockOfFive), 0);
  Lines kept = Unstamped(lines_);
  auto frame = std::find(kept.begin(), kept.end(), "> M SA005!");
  ASSERT_NE(frame, kept.end());
  ASSERT_NE(frame + 1, kept.end());
  EXPECT_EQ(*(frame + 1), "# write failed");
}

TEST_F(Trace, AFileThatCannotBeWrittenIsRefused) {
  EXPECT_EQ(icbus_set_trace_file("/nonexistent/dir/trace"), 0);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_BAD_ARGUMENT);
  char out[16];
  EXPECT_EQ(GetTime(1, 5, out), 1);
}

}  // namespace
}  // namespace icbus::test
