// A terminal that answers after its call has timed out: its late reply must
// not pass for the answer to the bus's next call once the bus settles after
// time-outs. Virtual time, through the C++ interface.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "icbus.hpp"
#include "line_fixture.h"

namespace icbus::test {
namespace {

using std::chrono::milliseconds;

// The first call times out because its terminal answers `delay_ms` late;
// the second call's terminal gives its own answer, or none (`silent_prefix`).
struct LateRow {
  const char* name;
  const char* late_prefix;
  std::uint32_t read_ms;  // how long the first call waits for the reply
  std::function<void(Bus&)> first;
  const char* silent_prefix;
  // The second call's outcome as text, and what it should be; anything but
  // that or "failed" is the late reply taken for the answer.
  std::function<std::string(Bus&)> second;
  std::string sound;
};

const LateRow kLateRows[] = {
    // A late "DONE!" to the clock passes for the "DONE!" that Clear never got.
    {"SetTimeThenClear", "SE", 1400, [](Bus& bus) { bus.SetTime(5); }, "SJ",
     [](Bus& bus) { return std::string(bus.Clear(5) ? "done" : "failed"); }, "failed"},
    // A late clock text is read as the record count.
    {"GetTimeThenRecordCount", "SD", 3200, [](Bus& bus) { bus.GetTime(5); }, nullptr,
     [](Bus& bus) {
       auto count = bus.RecordCount(5);
       return count ? std::to_string(*count) : std::string("failed");
     },
     "12"},
};

// Late by 0.1 s to 1.5 s past the first call's time-out.
constexpr std::uint32_t kPast[] = {100, 200,  300,  400,  500,  600,  700, 800,
                                   900, 1000, 1100, 1200, 1300, 1400, 1500};

void PrintTo(const LateRow& row, std::ostream* out) { *out << row.name; }

class LateReply : public LineTest, public ::testing::WithParamInterface<LateRow> {
 protected:
  // Runs the row with the terminal `delay_ms` late on the first call's
  // command; returns the second call's outcome.
  std::string Run(Bus& bus, std::uint32_t delay_ms) {
    const LateRow& row = GetParam();
    terminal().ClearFaults();
    sim::Fault late;
    late.kind = sim::Fault::Kind::kDelay;
    late.frame_prefix = row.late_prefix;
    late.delay_ms = delay_ms;
    late.count = 1;
    terminal().AddFault(late);
    if (row.silent_prefix) {
      sim::Fault silent;
      silent.kind = sim::Fault::Kind::kSilence;
      silent.frame_prefix = row.silent_prefix;
      terminal().AddFault(silent);
    }
    row.first(bus);
    std::string outcome = row.second(bus);
    line().SleepMillis(5000);  // nothing of this run reaches the next one
    return outcome;
  }
  // How often the second call takes the late reply for its answer.
  int Fooled(Bus& bus) {
    int fooled = 0;
    for (std::uint32_t past : kPast) {
      std::string outcome = Run(bus, GetParam().read_ms + past);
      if (outcome != GetParam().sound && outcome != "failed") ++fooled;
    }
    return fooled;
  }
};

// In both reply modes; with fast replies a prompt answer leaves a late one
// less room, so the compatible mode is the one fooled most.
TEST_P(LateReply, IsTakenForTheNextAnswerUnlessTheBusSettles) {
  int fooled = 0;
  for (bool fast : {false, true}) {
    SCOPED_TRACE(fast ? "fast replies" : "compatible replies");
    Bus bus(1);
    bus.SetFastReplies(fast);
    fooled += Fooled(bus);
    ASSERT_TRUE(bus.SetSettleAfterTimeout(milliseconds(2000)));
    for (std::uint32_t past : kPast) {
      SCOPED_TRACE("late by " + std::to_string(past) + " ms past the time-out");
      EXPECT_EQ(Run(bus, GetParam().read_ms + past), GetParam().sound);
    }
  }
  EXPECT_GT(fooled, 0) << "the late reply never reached the next call: the case tests nothing";
}

INSTANTIATE_TEST_SUITE_P(Rows, LateReply, ::testing::ValuesIn(kLateRows),
                         [](const auto& info) { return std::string(info.param.name); });

class Settle : public LineTest {};

// The wait is paid only after a time-out, and then once: frames stay the same.
TEST_F(Settle, WaitsOnlyAfterATimeOutAndChangesNoFrame) {
  Bus plain(1);
  Bus settling(1);
  ASSERT_TRUE(settling.SetSettleAfterTimeout(milliseconds(700)));
  auto cost = [&](Bus& bus, const std::function<void()>& arrange) {
    terminal().ClearFaults();
    arrange();
    std::uint64_t start = ElapsedMillis();
    std::size_t first = frames().size();
    bus.GetTime(5);
    EXPECT_TRUE(bus.Clear(5));
    Frames all = frames();
    return std::make_pair(ElapsedMillis() - start, Frames(all.begin() + first, all.end()));
  };
  auto healthy = [] {};
  auto silent_clock = [&] {
    sim::Fault silent;
    silent.kind = sim::Fault::Kind::kSilence;
    silent.frame_prefix = "SD";
    silent.count = 1;
    terminal().AddFault(silent);
  };
  EXPECT_EQ(cost(settling, healthy), cost(plain, healthy));
  auto plain_cost = cost(plain, silent_clock);
  auto settled_cost = cost(settling, silent_clock);
  EXPECT_EQ(settled_cost.second, plain_cost.second);
  // One wait of 700 ms, before the failed call's closing "SZ!".
  EXPECT_EQ(settled_cost.first, plain_cost.first + 700);
}

TEST(SettleArgument, OutOfRangeIsRefusedWithAReason) {
  Bus bus(1);
  EXPECT_FALSE(bus.SetSettleAfterTimeout(milliseconds(-1)));
  EXPECT_EQ(Bus::LastError().code, ICBUS_ERR_BAD_ARGUMENT);
  EXPECT_FALSE(bus.SetSettleAfterTimeout(milliseconds(60001)));
  EXPECT_FALSE(bus.SetSettleAfterTimeout(std::chrono::hours(1000000)));
  EXPECT_NE(Bus::LastError().message.find("60000"), std::string::npos);
  EXPECT_TRUE(bus.SetSettleAfterTimeout(milliseconds(60000)));
  EXPECT_EQ(icbus_session_set_settle(nullptr, 10), 0);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_BAD_ARGUMENT);
}

}  // namespace
}  // namespace icbus::test
