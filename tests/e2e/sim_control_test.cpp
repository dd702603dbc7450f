// icbus-sim's control: cards placed and taken away, swipes and records added
// while a host works with the simulator, and commands refused with a reason.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "icbus.h"
#include "sim_process.h"

namespace icbus::e2e {
namespace {

const char kInstallation[] = R"({"devices": [
  {"type": "terminal", "machine": 5, "generate": 2},
  {"type": "card_writer", "cards": [{}, {}], "present": -1}]})";

class SimControl : public ::testing::Test {
 protected:
  SimControl() : sim_(kInstallation), com1_(1, sim_.link()) {}
  ~SimControl() override { icDevClose(); }

  void Say(const std::string& line) { ASSERT_TRUE(sim_.Control(line)) << line; }
  std::string ReadNumber() {
    char out[16] = "untouched";
    int result = ReadCard(1, 2, 2, out);
    return std::to_string(result) + " " + out;
  }

  SimProcess sim_;
  PortMapping com1_;
};

TEST_F(SimControl, CardsComeAndGoWhileTheHostWorks) {
  ASSERT_TRUE(sim_.running());
  EXPECT_EQ(ReadNumber(), "2 untouched");
  Say("card place 0");
  ASSERT_EQ(WriteCard(1, 2, 2, "4242"), 1);
  Say("card place 1");
  EXPECT_EQ(ReadNumber(), "1 000000");
  Say("card place 0");
  EXPECT_EQ(ReadNumber(), "1 004242");
  Say("card remove");
  EXPECT_EQ(ReadNumber(), "2 untouched");
}

TEST_F(SimControl, TerminalsTakeSwipesAndRecords) {
  ASSERT_TRUE(sim_.running());
  const std::string swipe = "26120108300012345601";
  Say("swipe 5 " + swipe);
  Say("records 5 3");
  Say("record 5 by hand");
  EXPECT_EQ(GetRecordCount(1, 5), 6);
  ASSERT_EQ(icDevInit("1"), 1);
  ASSERT_EQ(ChangeicDevSettings(0), 1);
  char out[32] = {};
  EXPECT_EQ(Real_time(5, out), 1);
  EXPECT_EQ(out, swipe);
}

// The log says what changed, in valid UTF-8 with GBK bytes shown as \xNN.
TEST_F(SimControl, TheLogSaysWhatChanged) {
  ASSERT_TRUE(sim_.running());
  Say("card place 1");
  EXPECT_EQ(SetReadCardName(1, 5, "123456654321\xC4\xE3\xBA\xC3"), 1);
  EXPECT_EQ(GetRecordCount(1, 5), 2);
  std::vector<std::string> notes = sim_.Notes();
  for (const char* change : {"device 2 changed: present -1 -> 1",
                             "device 1 changed: settings.SO 0 -> 1 (added "
                             "\"123456654321\\\\xC4\\\\xE3\\\\xBA\\\\xC3  \")"}) {
    EXPECT_NE(std::find(notes.begin(), notes.end(), change), notes.end()) << change;
  }
}

TEST_F(SimControl, WrongCommandsChangeNothingAndSayWhy) {
  ASSERT_TRUE(sim_.running());
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"card place 2", "not one of the writer's cards 0..1"},
      {"card turn", "say \"card place N\" or \"card remove\""},
      {"swipe 9 26120108300012345601", "there is no terminal 9"},
      {"swipe 5 short", "a swipe must be 20 characters"},
      {"record 5 OK!", "must not contain \"!\""},
      {"records 5 99998", "more than 99999 records"},
      {"eject", "unknown command \"eject\""},
  };
  for (const auto& [line, reason] : refused) Say(line);
  EXPECT_EQ(GetRecordCount(1, 5), 2);  // heard after the commands above
  std::vector<std::string> notes = sim_.Notes();
  for (const auto& [line, reason] : refused) {
    std::string note = "control refused \"" + line + "\": ";
    auto found = std::find_if(notes.begin(), notes.end(), [&](const std::string& n) {
      return n.rfind(note, 0) == 0 && n.find(reason) != std::string::npos;
    });
    EXPECT_NE(found, notes.end()) << line;
  }
  EXPECT_EQ(ReadNumber(), "2 untouched");
}

TEST_F(SimControl, IsNotSharedAndGoesWithTheSimulator) {
  ASSERT_TRUE(sim_.running());
  std::string output;
  EXPECT_EQ(RunSim({"--control", sim_.control()}, &output), 1);
  EXPECT_NE(output.find("a running simulator reads it"), std::string::npos) << output;
  EXPECT_EQ(sim_.Stop(), 0);
  struct stat st {};
  EXPECT_NE(::lstat(sim_.control().c_str(), &st), 0) << "the control outlived its simulator";
}

}  // namespace
}  // namespace icbus::e2e
