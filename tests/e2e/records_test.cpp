// Record download and the real-time poll of libicbus.so against icbus-sim
// on a real pseudo-terminal: every kind of record line exactly, none lost or
// duplicated, a terminal that breaks down in the middle of a download, and
// live swipes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "icbus.h"
#include "record_store.h"
#include "sim_process.h"

namespace icbus::e2e {
namespace {

using Frames = std::vector<std::string>;
using nlohmann::json;

// What a record call leaves in a buffer it did not write.
const char kUntouched[] = "untouched";

// A record download to its end: the lines delivered, then how it ended.
struct Download {
  std::vector<std::string> lines;
  int last_result = -1;
  std::string last_text;  // "OVER", "", or kUntouched after a failure
};

Download Collect(int (*next)(int, char*), int machine, std::size_t limit = 50) {
  Download download;
  char out[64];
  while (download.lines.size() <= limit) {
    std::strcpy(out, kUntouched);
    download.last_result = next(machine, out);
    download.last_text = out;
    if (download.last_result != 1 || download.last_text.empty() || download.last_text == "OVER") {
      break;
    }
    download.lines.push_back(out);
  }
  return download;
}

class RecordsE2e : public ::testing::Test {
 protected:
  RecordsE2e() { SetDecLen(""); }
  ~RecordsE2e() override {
    icDevClose();  // a failed test must not leave the port to the next
    SetDecLen("");
  }
  void Start(const json& terminal, const std::vector<std::string>& args = {}) {
    json installation = {{"devices", json::array({terminal})}};
    com1_.reset();  // a second Start replaces the first simulator and its mapping
    sim_.reset();
    sim_ = std::make_unique<SimProcess>(installation.dump(), "", args);
    ASSERT_TRUE(sim_->running()) << "icbus-sim did not start";
    com1_ = std::make_unique<PortMapping>(1, sim_->link());
  }
  // The wire log must be exactly `frames` once its last one has arrived.
  void ExpectWire(const Frames& frames) {
    ASSERT_TRUE(sim_->WaitForFrame(frames.back())) << "missing " << frames.back();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // nothing may follow
    EXPECT_EQ(sim_->Frames(), frames);
  }

  std::unique_ptr<SimProcess> sim_;
  std::unique_ptr<PortMapping> com1_;
};

struct KindRow {
  const char* name;
  const char* kind;  // of the terminal
  int decimals;      // of the terminal and the host alike
  bool backup;       // collects the backup store
  bool six_digit;    // opened with GetFirstA
  int (*next)(int, char*);
  const char* prefix;
  const char* command;
};

// Test names and failure messages show the row by its name.
void PrintTo(const KindRow& row, std::ostream* out) { *out << row.name; }

const KindRow kKinds[] = {
    {"Consumption", "window", 1, false, false, GetNext, "20", "SC!"},
    {"ConsumptionInHundredths", "window", 2, false, false, GetNext, "20", "SC!"},
    {"Attendance", "attendance", 1, false, false, GetNextK, "20", "SC!"},
    {"AttendanceByR", "attendance", 1, false, false, GetNextR, "20", "SC!"},
    {"Backup", "window", 1, true, false, GetNextBak, "20", "SB!"},
    {"BackupInHundredths", "window", 2, true, false, GetNextBak, "20", "SB!"},
    {"Water", "water", 1, false, false, GetNextW, "", "SC!"},
    {"SelfServiceTopUp", "topup", 1, false, true, GetNextA, "20", "SC!"},
    {"DesktopTopUp", "desktop_topup", 1, false, true, GetNextAt, "203", "SC!"},
};

class EveryKind : public RecordsE2e, public ::testing::WithParamInterface<KindRow> {
 protected:
  std::vector<std::string> Records(int count) const {
    sim::TerminalKind kind = sim::TerminalKind::kWindow;
    EXPECT_TRUE(sim::ParseTerminalKind(GetParam().kind, &kind));
    if (GetParam().backup) return sim::GenerateBackup(GetParam().decimals, 5, count);
    return sim::GenerateRecords(kind, GetParam().decimals, 5, count, nullptr);
  }
};

TEST_P(EveryKind, DownloadsEveryRecordOnceThenOver) {
  const KindRow& row = GetParam();
  Start({{"type", "terminal"},
         {"machine", 5},
         {"management_card", 123456},
         {"kind", row.kind},
         {"decimals", row.decimals},
         {row.backup ? "generate_backup" : "generate", 3}});
  if (row.decimals == 2) SetDecLen("2");
  ASSERT_EQ(row.six_digit ? GetFirstA(1, 5, 123456) : GetFirst(1, 5), 1);
  Download download = Collect(row.next, 5);
  EXPECT_EQ(download.last_result, 1);
  EXPECT_EQ(download.last_text, "OVER");

  std::vector<std::string> records = Records(3);
  std::vector<std::string> lines;
  Frames wire = {row.six_digit ? "> M SA005123456!" : "> M SA005!", "< N OK!"};
  for (const std::string& record : records) {
    lines.push_back(row.prefix + record + "005");
    wire.push_back(std::string("> S ") + row.command);
    wire.push_back("< N " + record + "!");
  }
  EXPECT_EQ(download.lines, lines);
  wire.insert(wire.end(), {std::string("> S ") + row.command, "< N OVER!", "> S SZ!"});
  ExpectWire(wire);
  EXPECT_EQ(icDevClose(), 0) << "the end of the download closes the port";
}

INSTANTIATE_TEST_SUITE_P(Records, EveryKind, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordsE2e, EmptyTerminalEndsAtOnce) {
  Start({{"type", "terminal"}, {"machine", 5}});
  ASSERT_EQ(GetFirst(1, 5), 1);
  Download download = Collect(GetNext, 5);
  EXPECT_TRUE(download.lines.empty());
  EXPECT_EQ(download.last_text, "OVER");
  ExpectWire({"> M SA005!", "< N OK!", "> S SC!", "< N OVER!", "> S SZ!"});
}

// Records in hundredths fill one byte more than a host set to tenths reads,
// so the "!" never arrives within its read: a failure, not a cut record.
TEST_F(RecordsE2e, HostInTenthsCannotTakeRecordsInHundredths) {
  Start({{"type", "terminal"}, {"machine", 5}, {"decimals", 2}, {"generate", 2}});
  ASSERT_EQ(GetFirst(1, 5), 1);
  Download download = Collect(GetNext, 5);
  EXPECT_TRUE(download.lines.empty());
  EXPECT_EQ(download.last_result, 0);
  EXPECT_EQ(download.last_text, kUntouched);
  std::string record = sim::GenerateRecords(sim::TerminalKind::kWindow, 2, 5, 1, nullptr)[0];
  ExpectWire({"> M SA005!", "< N OK!", "> S SC!", "< N " + record + "!", "> S SZ!"});
  EXPECT_EQ(icDevClose(), 0);
}

// The terminal falls silent after two records: both lines are delivered,
// then the failure, with the terminal released. A new download starts again
// from the first record, since the terminal keeps its records until cleared.
TEST_F(RecordsE2e, TerminalFallingSilentMidDownload) {
  Start({{"type", "terminal"},
         {"machine", 5},
         {"kind", "attendance"},
         {"generate", 4},
         {"faults",
          json::array({json{{"kind", "silence"}, {"frame", "SC"}, {"after", 2}, {"count", 1}}})}});
  auto records = sim::GenerateRecords(sim::TerminalKind::kAttendance, 1, 5, 4, nullptr);
  std::vector<std::string> lines;
  for (const auto& record : records) lines.push_back("20" + record + "005");

  ASSERT_EQ(GetFirst(1, 5), 1);
  Download broken = Collect(GetNextK, 5);
  EXPECT_EQ(broken.lines, std::vector<std::string>(lines.begin(), lines.begin() + 2));
  EXPECT_EQ(broken.last_result, 0);
  EXPECT_EQ(broken.last_text, kUntouched);
  ExpectWire({"> M SA005!", "< N OK!", "> S SC!", "< N " + records[0] + "!", "> S SC!",
              "< N " + records[1] + "!", "> S SC!", "> S SZ!"});
  EXPECT_EQ(icDevClose(), 0);

  ASSERT_EQ(GetFirst(1, 5), 1);
  Download again = Collect(GetNextK, 5);
  EXPECT_EQ(again.lines, lines);
  EXPECT_EQ(again.last_text, "OVER");
}

// A record cut short (its "!" lost) fails the call after the lines so far.
TEST_F(RecordsE2e, CutRecordEndsTheDownload) {
  Start({{"type", "terminal"},
         {"machine", 5},
         {"kind", "water"},
         {"generate", 3},
         {"faults", json::array({json{{"kind", "no_bang"}, {"frame", "SC"}, {"after", 1}}})}});
  auto records = sim::GenerateRecords(sim::TerminalKind::kWater, 1, 5, 3, nullptr);
  ASSERT_EQ(GetFirst(1, 5), 1);
  Download download = Collect(GetNextW, 5);
  EXPECT_EQ(download.lines, std::vector<std::string>{records[0] + "005"});
  EXPECT_EQ(download.last_result, 0);
  EXPECT_EQ(download.last_text, kUntouched);
  ExpectWire({"> M SA005!", "< N OK!", "> S SC!", "< N " + records[0] + "!", "> S SC!",
              "< N " + records[1], "> S SZ!"});
}

// Paced at the line's speed, records still arrive whole within the reads.
TEST_F(RecordsE2e, PacedLineDeliversTheSameLines) {
  Start({{"type", "terminal"}, {"machine", 123}, {"kind", "attendance"}, {"generate", 3}},
        {"--pace"});
  auto records = sim::GenerateRecords(sim::TerminalKind::kAttendance, 1, 123, 3, nullptr);
  ASSERT_EQ(GetFirst(1, 123), 1);
  Download download = Collect(GetNextK, 123);
  EXPECT_EQ(download.lines,
            (std::vector<std::string>{"20" + records[0] + "123", "20" + records[1] + "123",
                                      "20" + records[2] + "123"}));
  EXPECT_EQ(download.last_text, "OVER");
}

class RealTime : public RecordsE2e, public ::testing::WithParamInterface<bool> {};

TEST_P(RealTime, QueuedSwipesThenNothingToReport) {
  const std::string first = "26120108301234560051", second = "26120108311234570052";
  std::vector<std::string> args;
  if (GetParam()) {
#ifdef __SANITIZE_ADDRESS__
    // The poll gives a terminal 63 ms to answer. A paced simulator built with
    // the sanitisers, on a loaded machine, sometimes starts its reply after
    // that window, so the reply lands in the next poll; the plain build and
    // the unpaced case keep this check.
    GTEST_SKIP() << "a sanitised, paced simulator cannot promise the poll's 63 ms window";
#endif
    args.push_back("--pace");
  }
  const std::vector<std::string> expected{first, second, "000000"};
  char out[32];
  auto three_polls = [&] {
    icDevClose();
    Start({{"type", "terminal"}, {"machine", 5}, {"swipes", json::array({first, second})}}, args);
    std::vector<std::string> replies;
    if (icDevInit("1") != 1 || ChangeicDevSettings(0) != 1) return replies;
    for (int i = 0; i < 3; ++i) {
      std::strcpy(out, kUntouched);
      EXPECT_EQ(Real_time(5, out), 1);
      replies.push_back(out);
    }
    return replies;
  };
  std::vector<std::string> replies = three_polls();
  // The poll gives a terminal 63 ms to answer. A paced simulator on a loaded
  // machine sometimes starts after that window and its reply lands in the
  // next poll: the machine's lateness, not the library's, so the paced case
  // gets five tries with a fresh simulator. A wrong library fails them all.
  for (int attempt = 1; GetParam() && replies != expected && attempt < 5; ++attempt)
    replies = three_polls();
  EXPECT_EQ(replies, expected);
  // No terminal 6: the poll still succeeds and leaves the buffer alone.
  std::strcpy(out, kUntouched);
  EXPECT_EQ(Real_time(6, out), 1);
  EXPECT_STREQ(out, kUntouched);
  EXPECT_EQ(icDevClose(), 1);
  ExpectWire({"> M SY005!", "< N " + first + "!", "> M SY005!", "< N " + second + "!", "> M SY005!",
              "< N 000000!", "> M SY006!"});
}

INSTANTIATE_TEST_SUITE_P(Line, RealTime, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Paced" : "AtOnce"; });

}  // namespace
}  // namespace icbus::e2e
