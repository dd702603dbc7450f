// Terminal administration exports of libicbus.so against icbus-sim on a real
// pseudo-terminal: the two-phase courses (plain and six-digit address) and
// the course addressed in the command. Results, frames with their parity, and
// what the terminals hold afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "admin_fixture.h"
#include "icbus.h"
#include "reply_mode.h"

namespace icbus::e2e {
namespace {

using nlohmann::json;
using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

// The two-phase course with the plain address frame: select, command, "SZ!".
Frames TwoPhase(const std::string& address, const std::string& command, const std::string& reply) {
  return {"> M " + address, "< N OK!", "> S " + command, "< N " + reply, "> S SZ!"};
}

// Default installation: terminal 1 (device 1) and terminal 5 with management
// card 123456 (device 2).
TEST_F(AdminTest, FirstCardListAddQueryRemove) {
  Run({
      {"add", [] { return SetOpenCard(1, 5, "123456"); }, 1,
       TwoPhase("SA005!", "SO123456!", "DONE!")},
      {"query, listed", [] { return QueryCard(1, 5, "123456"); }, 1,
       TwoPhase("SA005!", "SQ123456!", "1!")},
      {"remove", [] { return DelOpenCard(1, 5, "123456"); }, 1,
       TwoPhase("SA005!", "SN123456!", "DONE!")},
      {"query, removed", [] { return QueryCard(1, 5, "123456"); }, 0,
       TwoPhase("SA005!", "SQ123456!", "0!")},
  });
  EXPECT_EQ(Held(2)["cards"], json::array());
}

TEST_F(AdminTest, SecondListAndEmptyingBothLists) {
  Run({
      {"add to second", [] { return SetOpenCardEx(1, 1, "123456654321"); }, 1,
       TwoPhase("SA001!", "SR123456654321!", "DONE!")},
      {"add to first", [] { return SetOpenCard(1, 1, "000777"); }, 1,
       TwoPhase("SA001!", "SO000777!", "DONE!")},
  });
  EXPECT_EQ(Held(1)["cards"], json::array({"000777"}));
  EXPECT_EQ(Held(1)["cards_ex"], json::array({"123456654321"}));
  Run({
      {"empty second", [] { return ClearOpenCardEx(1, 1); }, 1, TwoPhase("SA001!", "SS!", "DONE!")},
      {"empty first", [] { return ClearOpenCard(1, 1); }, 1, TwoPhase("SA001!", "SP!", "DONE!")},
  });
  EXPECT_EQ(Held(1)["cards"], json::array());
  EXPECT_EQ(Held(1)["cards_ex"], json::array());
  EXPECT_EQ(Held(2)["cards"], json::array()) << "terminal 5 was not addressed";
}

TEST_F(AdminTest, KeyboardAmountsAreSentInTruncatedTenths) {
  Run({
      {"12.5 yuan", [] { return SetKeyboard(1, 5, 3, 12.5); }, 1,
       TwoPhase("SA005!", "SH3125!", "DONE!")},
      {"0.29 yuan", [] { return SetKeyboard(1, 5, 0, 0.29); }, 1,
       TwoPhase("SA005!", "SH0002!", "DONE!")},
  });
  EXPECT_EQ(Held(2)["settings"]["SH"], json::array({"3125", "0002"}));
}

TEST_F(AdminTest, StyleAndReaderMode) {
  Run({
      {"set style", [] { return SetMachStyle(1, 1, 1); }, 1, TwoPhase("SA001!", "SW1!", "DONE!")},
      {"read style", [] { return GetMachStyle(1, 1); }, 1, TwoPhase("SA001!", "SW5!", "1!")},
      {"reader mode", [] { return SetMachRead(1, 1); }, 1, TwoPhase("SA001!", "SX!", "DONE!")},
  });
  EXPECT_EQ(Held(1)["style"], 1);
  EXPECT_EQ(Held(1)["reader_mode"], true);
}

// Wraps `call` so that it notes how long the exchange took.
std::function<int()> Timed(std::function<int()> call, milliseconds* took) {
  return [call, took] {
    auto start = SteadyClock::now();
    int result = call();
    *took = std::chrono::duration_cast<milliseconds>(SteadyClock::now() - start);
    return result;
  };
}

// The punch interval and door-open periods read at most 3 bytes after the
// address frame: "OK!" fills the read at once. The other settings read 4 and
// wait out the 200 ms byte gap after "OK!".
TEST_F(AdminTest, IntervalAndDoorTimesReadThreeAddressBytes) {
  milliseconds interval{}, door{}, meal{};
  Run({
      {"SetIntervalTime", Timed([] { return SetIntervalTime(1, 1, 30); }, &interval), 1,
       TwoPhase("SA001!", "SU030!", "DONE!")},
      {"SetOpenTime", Timed([] { return SetOpenTime(1, 1, "107300800"); }, &door), 1,
       TwoPhase("SA001!", "SI107300800!", "DONE!")},
      {"SetMealTimes", Timed([] { return SetMealTimes(1, 1, 5); }, &meal), 1,
       TwoPhase("SA001!", "SU005!", "DONE!")},
  });
  if (FastReplies()) {
    EXPECT_LT(meal, milliseconds(180)) << "fast replies end the 4-byte read at its \"!\"";
  } else {
    EXPECT_GE(meal, milliseconds(190)) << "a 4-byte address read";
    EXPECT_LT(interval + milliseconds(100), meal) << "a 3-byte address read";
    EXPECT_LT(door + milliseconds(100), meal) << "a 3-byte address read";
  }
  EXPECT_EQ(Held(1)["settings"]["SU"], json::array({"030", "005"}));
  EXPECT_EQ(Held(1)["settings"]["SI"], json::array({"107300800"}));
}

TEST_F(AdminTest, MasterCardAIsAddressedWithTheCurrentCard) {
  Run({
      {"set", [] { return SetMasterCardA(1, 5, "654321", 123456); }, 1,
       TwoPhase("SA005123456!", "SM654321!", "DONE!")},
      {"address with the new card", [] { return ClearA(1, 5, 654321); }, 1,
       TwoPhase("SA005654321!", "SJ!", "DONE!")},
  });
  EXPECT_EQ(Held(2)["management_card"], 654321);
  EXPECT_EQ(Held(1)["management_card"], 0) << "terminal 1 was not addressed";
}

// "ST" and "SL" carry the machine number in address mode; "SZ!" still
// closes in data mode.
TEST_F(AdminTest, PauseAndStateAddressedInTheCommand) {
  Run({
      {"in service", [] { return GetState(1, 5); }, 1, {"> M ST005!", "< N 1!", "> S SZ!"}},
      {"pause", [] { return SetPause(1, 5, 1); }, 1, {"> M SL0050!", "< N DONE!", "> S SZ!"}},
      {"paused", [] { return GetState(1, 5); }, 0, {"> M ST005!", "< N 0!", "> S SZ!"}},
      {"other terminal", [] { return GetState(1, 1); }, 1, {"> M ST001!", "< N 1!", "> S SZ!"}},
      {"resume", [] { return SetPause(1, 5, 2); }, 1, {"> M SL0051!", "< N DONE!", "> S SZ!"}},
      {"back in service", [] { return GetState(1, 5); }, 1, {"> M ST005!", "< N 1!", "> S SZ!"}},
  });
  EXPECT_EQ(Held(2)["in_service"], true);
}

TEST_F(AdminTest, StateOfAnAbsentTerminalIsAFailure) {
  Run({{"no terminal 7", [] { return GetState(1, 7); }, -1, {"> M ST007!", "> S SZ!"}}});
}

TEST_F(AdminTest, OverlongTextNeverReachesTheLine) {
  EXPECT_EQ(SetOpenCard(1, 5, "1234567890123456789012"), 0);
  EXPECT_EQ(QueryCard(1, 5, "1234567890123456789012"), -1);
  EXPECT_EQ(SetMachNo(1, "001KX"), 0);
  EXPECT_EQ(SetPassA(1, "A1B2C3D4E5F6AB"), 0);
  EXPECT_EQ(SetBellTime(1, 1, "1234567890123456789012"), 0);
  std::this_thread::sleep_for(milliseconds(100));
  EXPECT_TRUE(sim_.Frames().empty());
}

// Terminals set up through the installation answer from what it gives them.
class ConfiguredTerminalTest : public AdminTest {
 protected:
  ConfiguredTerminalTest()
      : AdminTest(R"({"devices": [
          {"type": "terminal", "machine": 3, "style": 1, "in_service": false,
           "answers_query": false, "cards": ["111111"], "cards_ex": ["222222", "333333"]}
        ]})") {}
};

TEST_F(ConfiguredTerminalTest, AnswersFromItsInstallationEntry) {
  Run({
      {"paused", [] { return GetState(1, 3); }, 0, {"> M ST003!", "< N 0!", "> S SZ!"}},
      {"style", [] { return GetMachStyle(1, 3); }, 1, TwoPhase("SA003!", "SW5!", "1!")},
      // This terminal takes "SQ" as a removal from its second list, so the
      // query gets "DONE", which is not "1".
      {"query removes", [] { return QueryCard(1, 3, "222222"); }, 0,
       TwoPhase("SA003!", "SQ222222!", "DONE!")},
  });
  EXPECT_EQ(Held(1)["cards"], json::array({"111111"}));
  EXPECT_EQ(Held(1)["cards_ex"], json::array({"333333"}));
}

}  // namespace
}  // namespace icbus::e2e
