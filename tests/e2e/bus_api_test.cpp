// The C++ interface (icbus.hpp) against icbus-sim: two buses on two
// simulators work truly in parallel, each wire log complete and exact; one
// bus shared by two threads keeps its transactions whole; the download and
// the device path; a bus's settings stay its own.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "icbus.hpp"
#include "sim_process.h"

namespace icbus::e2e {
namespace {

using Frames = std::vector<std::string>;
using Stamped = std::vector<std::pair<long long, std::string>>;
constexpr int kCalls = 4;

// The frames of one GetTime of terminal 5 that answered `clock`.
Frames GetTimeFrames(const std::string& clock) {
  return {"> M SA005!", "< N OK!", "> S SD!", "< N " + clock + "!", "> S SZ!"};
}

// Runs `calls` GetTime calls on `bus`; the clock texts they returned.
std::vector<std::string> ReadClocks(Bus* bus, int calls) {
  std::vector<std::string> clocks;
  for (int i = 0; i < calls; ++i) {
    std::optional<std::string> clock = bus->GetTime(5);
    clocks.push_back(clock.value_or("(failed)"));
  }
  return clocks;
}

Frames Expected(const std::vector<std::string>& clocks) {
  Frames frames;
  for (const std::string& clock : clocks) {
    Frames one = GetTimeFrames(clock);
    frames.insert(frames.end(), one.begin(), one.end());
  }
  return frames;
}

// Each transaction as the time from its address frame to its "SZ!".
std::vector<std::pair<long long, long long>> Transactions(const Stamped& frames) {
  std::vector<std::pair<long long, long long>> spans;
  long long start = -1;
  for (const auto& [at, line] : frames) {
    if (line.rfind("> M SA", 0) == 0) start = at;
    if (line == "> S SZ!" && start >= 0) spans.emplace_back(start, at);
  }
  return spans;
}

bool Overlap(const std::vector<std::pair<long long, long long>>& a,
             const std::vector<std::pair<long long, long long>>& b) {
  for (const auto& x : a) {
    for (const auto& y : b) {
      if (x.first < y.second && y.first < x.second) return true;
    }
  }
  return false;
}

// Waits until `sim` has logged `count` closing frames.
void AwaitClosings(const SimProcess& sim, std::size_t count) {
  for (int i = 0; i < 400; ++i) {
    std::size_t seen = 0;
    for (const std::string& frame : sim.Frames()) seen += frame == "> S SZ!";
    if (seen >= count) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

class TwoLines : public ::testing::Test {
 protected:
  TwoLines()
      : first_("", "", {"--stamps"}),
        second_("", "", {"--stamps"}),
        com1_(1, first_.link()),
        com2_(2, second_.link()) {}
  void SetUp() override { ASSERT_TRUE(first_.running() && second_.running()); }

  SimProcess first_, second_;
  PortMapping com1_, com2_;
};

TEST_F(TwoLines, TwoBusesWorkInParallelEachWireLogCompleteAndExact) {
  Bus one(1), two(2);
  std::vector<std::string> clocks_one, clocks_two;
  std::thread other([&] { clocks_two = ReadClocks(&two, kCalls); });
  clocks_one = ReadClocks(&one, kCalls);
  other.join();
  ASSERT_EQ(clocks_one, std::vector<std::string>(kCalls, "20260101080000"));
  ASSERT_EQ(clocks_two, clocks_one);
  AwaitClosings(first_, kCalls);
  AwaitClosings(second_, kCalls);
  EXPECT_EQ(first_.Frames(), Expected(clocks_one));
  EXPECT_EQ(second_.Frames(), Expected(clocks_two));
  // The transactions of the two buses were on their wires at the same time:
  // a shared lock would have kept every one apart.
  auto spans_one = Transactions(first_.StampedFrames());
  auto spans_two = Transactions(second_.StampedFrames());
  ASSERT_EQ(spans_one.size(), static_cast<std::size_t>(kCalls));
  ASSERT_EQ(spans_two.size(), static_cast<std::size_t>(kCalls));
  EXPECT_TRUE(Overlap(spans_one, spans_two));
}

TEST_F(TwoLines, ThreadsSharingABusTakeTurnsWithWholeTransactions) {
  Bus one(1);
  std::vector<std::string> clocks_a, clocks_b;
  std::thread other([&] { clocks_b = ReadClocks(&one, kCalls); });
  clocks_a = ReadClocks(&one, kCalls);
  other.join();
  ASSERT_EQ(clocks_a, std::vector<std::string>(kCalls, "20260101080000"));
  ASSERT_EQ(clocks_b, clocks_a);
  AwaitClosings(first_, 2 * kCalls);
  EXPECT_EQ(first_.Frames(), Expected(std::vector<std::string>(2 * kCalls, clocks_a[0])));
  auto spans = Transactions(first_.StampedFrames());
  for (std::size_t i = 1; i < spans.size(); ++i) EXPECT_LE(spans[i - 1].second, spans[i].first);
}

TEST_F(TwoLines, FastRepliesBelongToTheirBus) {
  Bus fast(1), compatible(2);
  fast.SetFastReplies(true);
  auto timed = [](Bus* bus) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(bus->GetTime(5));
    return std::chrono::steady_clock::now() - start;
  };
  // "OK!" answers a 4-byte read: only the compatible read waits 200 ms more.
  EXPECT_LT(timed(&fast), std::chrono::milliseconds(180));
  EXPECT_GE(timed(&compatible), std::chrono::milliseconds(200));
  AwaitClosings(first_, 1);
  AwaitClosings(second_, 1);
  EXPECT_EQ(first_.Frames(), second_.Frames());
}

// Terminal 5 keeps its total in tenths: a bus set to hundredths reads a
// longer total than it gets and fails; the other bus, and the C exports,
// keep tenths.
TEST_F(TwoLines, DecimalSettingBelongsToItsBus) {
  Bus hundredths(1), tenths(2);
  hundredths.SetDecimals(2);
  EXPECT_EQ(hundredths.Total(5), std::nullopt);
  EXPECT_TRUE(tenths.Total(5));
  EXPECT_GE(GetTotal(2, 5), 0.0);
  AwaitClosings(first_, 1);
  AwaitClosings(second_, 2);
  Frames a = first_.Frames();
  ASSERT_EQ(a.size(), 5u);
  EXPECT_EQ(a[2], "> S SK!");
}

TEST_F(TwoLines, DownloadReadsRecordsAndReleasesTheTerminalWhenAbandoned) {
  Bus bus(1);
  std::vector<std::string> lines;
  {
    Download download = bus.Records(5, RecordKind::kConsumption);
    ASSERT_TRUE(download.Open());
    for (int i = 0; i < 3; ++i) {
      std::optional<std::string> line = download.Next();
      ASSERT_TRUE(line);
      lines.push_back(*line);
    }
    // The download holds the port: another call on the bus cannot open it.
    EXPECT_FALSE(bus.GetTime(5));
  }
  // Abandoned: "SZ!" went out, and the bus works again.
  EXPECT_TRUE(bus.GetTime(5));
  AwaitClosings(first_, 2);
  Frames frames = first_.Frames();
  ASSERT_GE(frames.size(), 9u);
  EXPECT_EQ(frames[0], "> M SA005!");
  EXPECT_EQ(frames[2], "> S SC!");
  EXPECT_EQ(frames[8], "> S SZ!");
  for (const std::string& line : lines) EXPECT_EQ(line.substr(line.size() - 3), "005");
}

TEST_F(TwoLines, DownloadRunsToItsEnd) {
  Bus bus(1);
  Download download = bus.Records(5, RecordKind::kConsumption);
  int records = 0;
  while (download.Next()) ++records;
  EXPECT_TRUE(download.Complete());
  EXPECT_EQ(records, 12);
  EXPECT_EQ(bus.RecordCount(5), std::optional<int>(12));
}

TEST_F(TwoLines, BusOnADevicePath) {
  Bus bus(second_.link());
  EXPECT_EQ(bus.GetTime(5), std::optional<std::string>("20260101080000"));
  EXPECT_EQ(bus.GetTime(6), std::nullopt);  // no terminal 6
  AwaitClosings(second_, 2);
  EXPECT_TRUE(first_.Frames().empty());
}

TEST(BusArguments, BadArgumentsFailBeforeAnythingIsSent) {
  Bus none(0), relative(std::string("not/absolute")), long_name(std::string(300, 'x'));
  EXPECT_EQ(none.GetTime(5), std::nullopt);
  EXPECT_EQ(none.RecordCount(1000), std::nullopt);
  EXPECT_FALSE(relative.Clear(1));
  EXPECT_EQ(Bus(1).GetTime(1000), std::nullopt);
  Download download = long_name.Records(1, RecordKind::kWater);
  EXPECT_FALSE(download.Open());
  EXPECT_EQ(download.Next(), std::nullopt);
  EXPECT_FALSE(download.Complete());
}

}  // namespace
}  // namespace icbus::e2e
