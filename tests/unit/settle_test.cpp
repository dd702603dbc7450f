// A terminal that answers after its call has timed out: its late reply must
// not pass for the answer to the bus's next call once the bus settles after
// time-outs. Virtual time, through the C++ interface.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "icbus.hpp"
#include "line_fixture.h"

namespace icbus::test {
namespace {

using std::chrono::milliseconds;

sim::Fault Fault(sim::Fault::Kind kind, const char* prefix, std::uint32_t delay_ms = 0) {
  sim::Fault fault;
  fault.kind = kind;
  fault.frame_prefix = prefix;
  fault.delay_ms = delay_ms;
  fault.count = kind == sim::Fault::Kind::kDelay ? 1 : -1;
  return fault;
}

// The first call's reply comes `read_ms` + 0.1 to 1.5 s late; the second
// call's outcome must be `sound` (anything but that or "failed" is the late
// reply taken for its answer).
struct LateRow {
  const char* name;
  const char* late_prefix;
  std::uint32_t read_ms;
  std::function<void(Bus&)> first;
  const char* silent_prefix;  // the second command goes unanswered
  std::function<std::string(Bus&)> second;
  std::string sound;
};

void PrintTo(const LateRow& row, std::ostream* out) { *out << row.name; }

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

class LateReply : public LineTest, public ::testing::WithParamInterface<LateRow> {
 protected:
  // The second call's outcomes, one for each lateness.
  std::vector<std::string> Outcomes(Bus& bus) {
    const LateRow& row = GetParam();
    std::vector<std::string> outcomes;
    for (std::uint32_t past = 100; past <= 1500; past += 100) {
      terminal().ClearFaults();
      terminal().AddFault(Fault(sim::Fault::Kind::kDelay, row.late_prefix, row.read_ms + past));
      if (row.silent_prefix)
        terminal().AddFault(Fault(sim::Fault::Kind::kSilence, row.silent_prefix));
      row.first(bus);
      outcomes.push_back(row.second(bus));
      line().SleepMillis(5000);  // nothing of this run reaches the next one
    }
    return outcomes;
  }
};

// In both reply modes; with fast replies a prompt answer leaves a late one
// less room, so the compatible mode is the one fooled most.
TEST_P(LateReply, IsTakenForTheNextAnswerUnlessTheBusSettles) {
  int fooled = 0;
  for (bool fast : {false, true}) {
    Bus bus(1);
    bus.SetFastReplies(fast);
    for (const std::string& outcome : Outcomes(bus)) {
      fooled += outcome != GetParam().sound && outcome != "failed";
    }
    ASSERT_TRUE(bus.SetSettleAfterTimeout(milliseconds(2000)));
    EXPECT_EQ(Outcomes(bus), std::vector<std::string>(15, GetParam().sound)) << fast;
  }
  EXPECT_GT(fooled, 0) << "the late reply never reached the next call: the case tests nothing";
}

INSTANTIATE_TEST_SUITE_P(Rows, LateReply, ::testing::ValuesIn(kLateRows),
                         [](const auto& info) { return std::string(info.param.name); });

class Settle : public LineTest {};

// The wait is paid once, after a time-out only, before the failed call's
// closing "SZ!"; the frames stay the same, and the trace shows the wait.
TEST_F(Settle, WaitsOnlyAfterATimeOutAndChangesNoFrame) {
  Bus plain(1), settling(1);
  ASSERT_TRUE(settling.SetSettleAfterTimeout(milliseconds(700)));
  std::vector<std::string> notes;
  settling.SetTrace([&](const std::string& line) {
    if (line.rfind("# settle", 0) == 0) notes.push_back(line);
  });
  auto cost = [&](Bus& bus, bool silent_clock) {
    terminal().ClearFaults();
    if (silent_clock) terminal().AddFault(Fault(sim::Fault::Kind::kSilence, "SD"));
    std::uint64_t start = ElapsedMillis();
    std::size_t first = frames().size();
    bus.GetTime(5);
    EXPECT_TRUE(bus.Clear(5));
    Frames all = frames();
    return std::make_pair(ElapsedMillis() - start, Frames(all.begin() + first, all.end()));
  };
  EXPECT_EQ(cost(settling, false), cost(plain, false));
  auto plain_cost = cost(plain, true);
  auto settled_cost = cost(settling, true);
  EXPECT_EQ(settled_cost.second, plain_cost.second);
  EXPECT_EQ(settled_cost.first, plain_cost.first + 700);
  EXPECT_EQ(notes, std::vector<std::string>{"# settle: 0 late bytes dropped in 700 ms"});
  // Out of range: refused with a reason, nothing changed.
  EXPECT_FALSE(settling.SetSettleAfterTimeout(milliseconds(-1)));
  EXPECT_EQ(Bus::LastError().code, ICBUS_ERR_BAD_ARGUMENT);
  EXPECT_FALSE(settling.SetSettleAfterTimeout(std::chrono::hours(1000000)));
  EXPECT_NE(Bus::LastError().message.find("60000"), std::string::npos);
}

}  // namespace
}  // namespace icbus::test
