// Card issuing with libicbus.so against a card writer in icbus-sim on a real
// pseudo-terminal: a card issued, topped up, debited, refunded, read back and
// cancelled in both decimal settings, checked block by block, beep by beep
// and frame by frame; a wrong key and an empty writer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "icbus.h"
#include "sim_process.h"

namespace icbus::e2e {
namespace {

using nlohmann::json;
using Frames = std::vector<std::string>;
using Beeps = std::vector<int>;

const char kKey[] = "A1B2C3D4E5F6";                        // opens sector 2
const char kOther[] = "0123456789ABCDEF0123456789ABCDEF";  // block 2/0, never touched
const char kZeros[] = "00000000000000000000000000000000";
// A blank purse block but for bytes 8-10, which no field uses in either
// layout and every operation must keep.
const char kFresh[] = "0000000000000000CDEF120000000000";

Frames operator+(Frames a, const Frames& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// One writer exchange: the command at no parity, the writer's reply, then
// the closing frame in data mode.
Frames Exchange(const std::string& command, const std::string& reply) {
  return {"> N " + command, "< N " + reply, "> S SZ!"};
}
// `at` is the sector and the absolute block number, as the commands carry them.
Frames Read(const std::string& at, const std::string& block) {
  return Exchange("SR" + at + "!", block + "!");
}
Frames Write(const std::string& at, const std::string& text) {
  return Exchange("SW" + at + text + "!", "DONE!");
}
Frames Beep(int pattern) {
  char command[8];
  std::snprintf(command, sizeof command, "SZ%03d!", pattern);
  return Exchange(command, "DONE!");
}
const Frames kSuccessBeep = Beep(1);
const Frames kFailureBeep = Beep(1) + Beep(6);
const Beeps kSuccess = {1};
const Beeps kFailure = {1, 6};

// The purse block is sector 2, block 2; the parameter block sector 2, block 1.
const char kPurse[] = "0210";
const char kParameters[] = "0209";

char g_out[64];

struct Step {
  const char* name;
  std::function<double()> call;
  double result;
  Frames frames;
  Beeps beeps;                // the patterns the writer sounded
  json blocks;                // the first card's blocks that are not zero, after the call
  const char* out = nullptr;  // what the call left in g_out
};

class CardE2e : public ::testing::Test {
 protected:
  ~CardE2e() override {
    icDevClose();  // a failed test must not leave the port to the next
    SetDecLen("");
  }
  void Start(const json& writer) {
    json installation = {{"devices", json::array({writer})}};
    sim_ = std::make_unique<SimProcess>(installation.dump());
    ASSERT_TRUE(sim_->running()) << "icbus-sim did not start";
    com1_ = std::make_unique<PortMapping>(1, sim_->link());
  }
  // The issuing card: sector 2 opens with kKey, block 2/0 holds kOther and
  // the purse block `purse`.
  void StartWithCard(const std::string& purse) {
    Start({{"type", "card_writer"},
           {"cards", {{{"keys", {{"2", kKey}}}, {"blocks", {{"2/0", kOther}, {"2/2", purse}}}}}},
           {"present", 0}});
  }

  void Run(const std::vector<Step>& steps);
  // What the writer holds now.
  json Held() const;
  int beeps_ = 0;  // beeps sounded in all steps so far

  std::unique_ptr<SimProcess> sim_;
  std::unique_ptr<PortMapping> com1_;
};

void CardE2e::Run(const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    const std::size_t frames_before = sim_->Frames().size();
    const std::size_t notes_before = sim_->Notes().size();
    std::strcpy(g_out, "untouched");
    EXPECT_DOUBLE_EQ(step.call(), step.result);
    // Every frame the call sent has reached the log within this time, and
    // one too many (a stray "SZ!") as well.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (sim_->Frames().size() < frames_before + step.frames.size() &&
           std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Frames frames = sim_->Frames();
    EXPECT_EQ(Frames(frames.begin() + static_cast<std::ptrdiff_t>(frames_before), frames.end()),
              step.frames);
    Beeps beeps;
    std::vector<std::string> notes = sim_->Notes();
    for (std::size_t i = notes_before; i < notes.size(); ++i) {
      if (notes[i].rfind("beep ", 0) == 0) beeps.push_back(std::stoi(notes[i].substr(5)));
    }
    EXPECT_EQ(beeps, step.beeps);
    beeps_ += static_cast<int>(beeps.size());
    json held = Held();
    ASSERT_TRUE(held.is_object()) << "no state of the writer";
    EXPECT_EQ(held["beeps"], beeps_);
    EXPECT_EQ(held["cards"][0].value("blocks", json::object()), step.blocks);
    if (step.out) {
      EXPECT_STREQ(g_out, step.out);
    }
  }
}

json CardE2e::Held() const { return sim_->Held(1); }

Step LoadKey() {
  return {"load the key",
          [] { return SetPassA(1, kKey); },
          1,
          Exchange(std::string("SG") + kKey + "!", "DONE!"),
          {},
          {{"2/0", kOther}, {"2/2", kFresh}}};
}

// WriteCardEx keeps to the one-decimal positions in both settings: number
// 1, password 12345 (214305) in bytes 13-15, daily limit 20.0 (200 tenths,
// C800) in bytes 11-12.
const char kIssued[] = "0100600000000000CDEF12C800214305";

Step Issue() {
  return {"issue",
          [] { return WriteCardEx(1, 2, 2, "000001", "12345", 20.0); },
          1,
          Read(kPurse, kFresh) + Write(kPurse, kIssued) + kSuccessBeep,
          kSuccess,
          {{"2/0", kOther}, {"2/2", kIssued}}};
}

// Balance in two bytes of tenths; the counter advances with every change.
TEST_F(CardE2e, PurseCourseWithOneDecimal) {
  StartWithCard(kFresh);
  SetDecLen("");
  const char kToppedUp[] = "0100600100F40100CDEF12C800214305";  // 500 tenths, count 1
  const char kDebited[] = "0100600200790100CDEF12C800214305";   // 377, count 2
  const char kRefunded[] = "0100600300920100CDEF12C800214305";  // 402, count 3
  auto blocks = [](const char* purse) { return json{{"2/0", kOther}, {"2/2", purse}}; };
  Run({
      LoadKey(),
      Issue(),
      {"top up 50.0", [] { return Increase(1, 0, 2, 2, 50.0, 0); }, 1,
       Read(kPurse, kIssued) + Write(kPurse, kToppedUp) + kSuccessBeep, kSuccess,
       blocks(kToppedUp)},
      {"debit 12.3", [] { return Decrease(1, 0, 2, 2, 12.3, 0); }, 1,
       Read(kPurse, kToppedUp) + Write(kPurse, kDebited) + kSuccessBeep, kSuccess,
       blocks(kDebited)},
      {"refund 2.5", [] { return Increase(1, 1, 2, 2, 2.5, 0); }, 1,
       Read(kPurse, kDebited) + Write(kPurse, kRefunded) + kSuccessBeep, kSuccess,
       blocks(kRefunded)},
      {"read the number", [] { return ReadCard(1, 2, 2, g_out); }, 1,
       Read(kPurse, kRefunded) + kSuccessBeep, kSuccess, blocks(kRefunded), "000001"},
      {"read the balance", [] { return ReadBalance(1, 2, 2, 0); }, 40.2,
       Read(kPurse, kRefunded) + kSuccessBeep, kSuccess, blocks(kRefunded)},
      {"read it in hundredths", [] { return ReadBalance(1, 2, 2, 1); }, 4.02,
       Read(kPurse, kRefunded) + kSuccessBeep, kSuccess, blocks(kRefunded)},
      {"read the password", [] { return ReadCardPass(1, 2, 2, g_out); }, 1,
       Read(kPurse, kRefunded) + kSuccessBeep, kSuccess, blocks(kRefunded), "12345"},
      {"read the daily limit", [] { return ReadCardMaxConsume(1, 2, 2); }, 20.0,
       Read(kPurse, kRefunded) + kSuccessBeep, kSuccess, blocks(kRefunded)},
      {"read the counter, silently",
       [] { return ReadCardAddCount(1, 2, 2); },
       3,
       Read(kPurse, kRefunded),
       {},
       blocks(kRefunded)},
      {"cancel", [] { return Decrease(1, 1, 2, 2, 0.0, 0); }, 1,
       Read(kPurse, kRefunded) + Write(kPurse, kIssued) + kSuccessBeep, kSuccess, blocks(kIssued)},
      {"read the emptied balance", [] { return ReadBalance(1, 2, 2, 0); }, 0.0,
       Read(kPurse, kIssued) + kSuccessBeep, kSuccess, blocks(kIssued)},
  });
}

// Balance in three bytes of hundredths; the password lives in the parameter
// block and the daily limit in bytes 13-15 of the purse block, over the
// password WriteCardEx put there.
TEST_F(CardE2e, PurseCourseWithTwoDecimals) {
  StartWithCard(kFresh);
  SetDecLen("2");
  const char kToppedUp[] = "0100600100881300CDEF12C800214305";  // 5000 hundredths
  const char kDebited[] = "0100600200B60E00CDEF12C800214305";   // 3766
  const char kRefunded[] = "0100600300290F00CDEF12C800214305";  // 3881 (1.15 is 115)
  const char kLimited[] = "0100600300290F00CDEF12C800D00700";   // 2000 hundredths
  const char kCancelled[] = "0100600000000000CDEF12C800D00700";
  const char kPassword[] = "000000000000214305";  // the 18 characters written
  const char kParameterBlock[] = "00000000000021430500000000000000";
  auto blocks = [&](const char* purse, bool password) {
    json held = {{"2/0", kOther}, {"2/2", purse}};
    if (password) held["2/1"] = kParameterBlock;
    return held;
  };
  Run({
      LoadKey(),
      Issue(),
      {"top up 50.00", [] { return Increase(1, 0, 2, 2, 50.0, 0); }, 1,
       Read(kPurse, kIssued) + Write(kPurse, kToppedUp) + kSuccessBeep, kSuccess,
       blocks(kToppedUp, false)},
      {"debit 12.34", [] { return Decrease(1, 0, 2, 2, 12.34, 0); }, 1,
       Read(kPurse, kToppedUp) + Write(kPurse, kDebited) + kSuccessBeep, kSuccess,
       blocks(kDebited, false)},
      {"refund 1.15", [] { return Increase(1, 1, 2, 2, 1.15, 0); }, 1,
       Read(kPurse, kDebited) + Write(kPurse, kRefunded) + kSuccessBeep, kSuccess,
       blocks(kRefunded, false)},
      {"password into the parameter block", [] { return WriteCardPass(1, 2, 1, "12345"); }, 1,
       Read(kParameters, kZeros) + Write(kParameters, kPassword) + kSuccessBeep, kSuccess,
       blocks(kRefunded, true)},
      {"daily limit 20.00", [] { return WriteCardMaxConsume(1, 2, 2, 20.0); }, 1,
       Read(kPurse, kRefunded) + Write(kPurse, kLimited) + kSuccessBeep, kSuccess,
       blocks(kLimited, true)},
      {"read the number", [] { return ReadCard(1, 2, 2, g_out); }, 1,
       Read(kPurse, kLimited) + kSuccessBeep, kSuccess, blocks(kLimited, true), "000001"},
      {"read the balance", [] { return ReadBalance(1, 2, 2, 0); }, 38.81,
       Read(kPurse, kLimited) + kSuccessBeep, kSuccess, blocks(kLimited, true)},
      {"read the password", [] { return ReadCardPass(1, 2, 1, g_out); }, 1,
       Read(kParameters, kParameterBlock) + kSuccessBeep, kSuccess, blocks(kLimited, true),
       "12345"},
      {"read the daily limit", [] { return ReadCardMaxConsume(1, 2, 2); }, 20.0,
       Read(kPurse, kLimited) + kSuccessBeep, kSuccess, blocks(kLimited, true)},
      {"cancel", [] { return Decrease(1, 1, 2, 2, 0.0, 0); }, 1,
       Read(kPurse, kLimited) + Write(kPurse, kCancelled) + kSuccessBeep, kSuccess,
       blocks(kCancelled, true)},
      {"read the emptied balance", [] { return ReadBalance(1, 2, 2, 0); }, 0.0,
       Read(kPurse, kCancelled) + kSuccessBeep, kSuccess, blocks(kCancelled, true)},
  });
}

// The writer still holds the all-F key: the card refuses it and nothing is
// written. A failed top-up sounds the failure beep, a failed issue the
// success beep.
TEST_F(CardE2e, WrongKeyWritesNothing) {
  const char kCard[] = "0100600300290F00CDEF12C800214305";
  StartWithCard(kCard);
  const json kBlocks = {{"2/0", kOther}, {"2/2", kCard}};
  Run({
      {"top up", [] { return Increase(1, 0, 2, 2, 10.0, 0); }, 3,
       Exchange("SR0210!", "R2!") + kFailureBeep, kFailure, kBlocks},
      {"issue", [] { return WriteCardEx(1, 2, 2, "000002", "54321", 5.0); }, 3,
       Exchange("SR0210!", "R2!") + kSuccessBeep, kSuccess, kBlocks},
      {"read the number", [] { return ReadCard(1, 2, 2, g_out); }, 3,
       Exchange("SR0210!", "R2!") + kFailureBeep, kFailure, kBlocks, "untouched"},
  });
  EXPECT_EQ(Held()["key"], "FFFFFFFFFFFF");
}

TEST_F(CardE2e, NoCardOnTheWriter) {
  Start({{"type", "card_writer"}, {"cards", json::array({json::object()})}, {"present", -1}});
  Run({
      {"read the number", [] { return ReadCard(1, 2, 2, g_out); }, 2,
       Exchange("SR0210!", "R1!") + kFailureBeep, kFailure, json::object(), "untouched"},
      {"top up", [] { return Increase(1, 0, 2, 2, 10.0, 0); }, 2,
       Exchange("SR0210!", "R1!") + kFailureBeep, kFailure, json::object()},
  });
}

}  // namespace
}  // namespace icbus::e2e
