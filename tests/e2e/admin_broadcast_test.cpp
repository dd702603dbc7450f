// The exports that address no terminal, against icbus-sim on a real
// pseudo-terminal: the broadcasts, heard by every terminal in address mode
// and never closed with "SZ!", and the card writer's key command at no
// parity.
#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "admin_fixture.h"
#include "icbus.h"

namespace icbus::e2e {
namespace {

using nlohmann::json;

class LoneTerminalTest : public AdminTest {
 protected:
  LoneTerminalTest() : AdminTest(R"({"devices": [{"type": "terminal", "machine": 1}]})") {}
};

TEST_F(LoneTerminalTest, MachineNumberAndTypeAreBroadcast) {
  Run({
      {"renumber", [] { return SetMachNo(1, "007K"); }, 1, {"> M SV007K!", "< N DONE!"}},
      {"answers at its new number",
       [] { return Clear(1, 7); },
       1,
       {"> M SA007!", "< N OK!", "> S SJ!", "< N DONE!", "> S SZ!"}},
  });
  EXPECT_EQ(Held(1)["machine"], 7);
  EXPECT_EQ(Held(1)["machine_type"], "K");
}

TEST_F(LoneTerminalTest, ManagementCardAndPasswordsAreBroadcast) {
  Run({
      {"management card",
       [] { return SetMasterCard(1, "222222"); },
       1,
       {"> M SM222222!", "< N DONE!"}},
      {"set password",
       [] { return SetPass(1, "A1B2C3D4E5F6"); },
       1,
       {"> M SGA1B2C3D4E5F6!", "< N DONE!"}},
      {"cancel the old password",
       [] { return Log_onPass(1, "FFFFFFFFFFFF"); },
       0,
       {"> M SF"
        "FFFFFFFFFFFF!",
        "< N ERR!"}},
      {"cancel the current password",
       [] { return Log_onPass(1, "A1B2C3D4E5F6"); },
       1,
       {"> M SFA1B2C3D4E5F6!", "< N DONE!"}},
  });
  EXPECT_EQ(Held(1)["management_card"], 222222);
  EXPECT_EQ(Held(1)["ic_password"], "A1B2C3D4E5F6");
}

// With two terminals on the line both obey and both answer: the replies
// collide, so the library cannot tell that the command took effect.
TEST_F(AdminTest, BroadcastToTwoTerminalsCollides) {
  std::size_t before = sim_.Frames().size();
  EXPECT_EQ(SetMachNo(1, "009K"), 0);
  ASSERT_TRUE(sim_.WaitForFrame("> M SV009K!", before));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  Frames frames = sim_.Frames();
  ASSERT_EQ(frames.size(), before + 2) << "one frame, one reply, no \"SZ!\"";
  EXPECT_EQ(frames[before + 1].rfind("< N ", 0), 0u) << frames[before + 1];
  EXPECT_NE(frames[before + 1], "< N DONE!");
  EXPECT_EQ(Held(1)["machine"], 9);
  EXPECT_EQ(Held(2)["machine"], 9);
}

TEST_F(AdminTest, CardWriterCommandFindsNoWriterOnATerminalLine) {
  Run({{"no writer",
        [] { return SetPassA(1, "A1B2C3D4E5F6"); },
        0,
        {"> N SGA1B2C3D4E5F6!", "> S SZ!"}}});
  EXPECT_EQ(Held(1)["ic_password"], "FFFFFFFFFFFF") << "a terminal took the writer's key";
}

class CardWriterTest : public AdminTest {
 protected:
  CardWriterTest()
      : AdminTest(R"({"devices": [{"type": "terminal", "machine": 1},
                                  {"type": "card_writer", "key": "FFFFFFFFFFFF"}]})") {}
};

// The key goes out at the no-parity setting of the open port; only the
// closing "SZ!" is sent in data mode.
TEST_F(CardWriterTest, KeyIsSentAtNoParity) {
  Run({
      {"load key",
       [] { return SetPassA(1, "A1B2C3D4E5F6"); },
       1,
       {"> N SGA1B2C3D4E5F6!", "< N DONE!", "> S SZ!"}},
      {"malformed key",
       [] { return SetPassA(1, "12345"); },
       0,
       {"> N SG12345!", "< N ERR!", "> S SZ!"}},
  });
  EXPECT_EQ(Held(2), json::parse(R"({"type": "card_writer", "key": "A1B2C3D4E5F6", "cards": [],
                                    "present": -1, "beeps": 0})"));
  EXPECT_EQ(Held(1)["ic_password"], "FFFFFFFFFFFF") << "the terminal heard the writer's key";
}

}  // namespace
}  // namespace icbus::e2e
