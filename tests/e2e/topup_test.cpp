// The top-up order of libicbus.so to a top-up machine in icbus-sim on a real
// pseudo-terminal: the raw 109-byte frame as the machine received it, what
// it decoded, the name it would show, and the wrap-ups of success and
// failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "icbus.h"
#include "sim_process.h"
#include "topup_machine.h"

namespace icbus::e2e {
namespace {

using nlohmann::json;
using Frames = std::vector<std::string>;

const char kName[] = "\xcd\xf5\xd0\xa1\xc3\xf7";  // three GBK characters, the first 王
constexpr std::size_t kOrderLength = 109;
constexpr std::size_t kNameOffset = 13;

// The wire log writes bytes outside printable ASCII, and the backslash, as
// \xNN; this gives the bytes back.
std::string Unescape(const std::string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
      bytes.push_back(static_cast<char>(std::strtol(text.substr(i + 2, 2).c_str(), nullptr, 16)));
      i += 3;
    } else {
      bytes.push_back(text[i]);
    }
  }
  return bytes;
}

// The local time as the order carries it: "yymmddhhnn".
std::string Stamp(std::time_t when) {
  std::tm local{};
  ::localtime_r(&when, &local);
  char text[16];
  std::strftime(text, sizeof text, "%y%m%d%H%M", &local);
  return text;
}

std::string TimeOf(const std::string& order) {
  std::string time;
  char pair[4];
  for (std::size_t i = 8; i < kNameOffset; ++i) {
    std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(order[i]));
    time += pair;
  }
  return time;
}

class TopUpE2e : public ::testing::Test {
 protected:
  explicit TopUpE2e(const std::string& faults = "[]")
      : sim_(R"({"devices": [{"type": "topup_machine", "machine": 3, "management_card": 4321,
                              "faults": )" +
             faults + "}]}"),
        com1_(1, sim_.link()) {}
  ~TopUpE2e() override { icDevClose(); }
  void SetUp() override { ASSERT_TRUE(sim_.running()) << "icbus-sim did not start"; }

  // The frames of the log once it holds `count`, and anything that follows
  // them within a moment.
  Frames WaitForFrames(std::size_t count) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (sim_.Frames().size() < count && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return sim_.Frames();
  }
  json Held() const { return sim_.Held(1); }
  // The 16 art lines noted after the heading of order `number`.
  std::vector<std::string> ArtOf(int number) const {
    std::vector<std::string> notes = sim_.Notes();
    std::string heading = "device 1 order " + std::to_string(number) + " name:";
    for (std::size_t i = 0; i < notes.size(); ++i) {
      if (notes[i] != heading) continue;
      if (i + 16 >= notes.size()) break;
      return std::vector<std::string>(notes.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                      notes.begin() + static_cast<std::ptrdiff_t>(i) + 17);
    }
    return {};
  }

  SimProcess sim_;
  PortMapping com1_;
};

TEST_F(TopUpE2e, OrderArrivesWithTheNameDrawn) {
  const std::string before = Stamp(std::time(nullptr));
  EXPECT_EQ(TransmitATM(1, 3, 1, 1, 12.3, kName, 4321), 1);
  const std::string after = Stamp(std::time(nullptr));

  Frames frames = WaitForFrames(6);
  ASSERT_EQ(frames.size(), 6u);
  EXPECT_EQ(frames[0], "> M SA003004321!");
  EXPECT_EQ(frames[1], "< N OK!");
  ASSERT_EQ(frames[2].rfind("> S ", 0), 0u) << frames[2];
  EXPECT_EQ(frames[3], "< N DONE!");
  EXPECT_EQ(frames[4], "> S SZ!");
  EXPECT_EQ(frames[5], "> S SZ!") << "a confirmed order is wrapped up twice";

  // One frame of raw bytes: "L", card 1 with its marker, mode 1, 123 tenths,
  // the time in BCD.
  const std::string order = Unescape(frames[2].substr(4));
  ASSERT_EQ(order.size(), kOrderLength);
  EXPECT_EQ(order.substr(0, 8), std::string("L\x01\x00\x60\x01\x00\x7B\x00", 8));
  const std::string time = TimeOf(order);
  EXPECT_TRUE(time == before || time == after) << time << " is not " << before;

  json held = Held();
  EXPECT_EQ(held["orders"],
            json::array({{{"card", 1}, {"mode", 1}, {"tenths", 123}, {"time", time}}}));

  // The log shows the cells the frame carries, three of them inked.
  sim::TopUpOrder decoded;
  ASSERT_TRUE(sim::DecodeOrder(order, &decoded));
  std::vector<std::string> art = ArtOf(1);
  ASSERT_EQ(art.size(), 16u) << "no name art in the log";
  std::string expected = sim::CellsAsArt(decoded);
  std::string logged;
  for (const std::string& line : art) logged += line + "\n";
  EXPECT_EQ(logged, expected);
  for (std::size_t cell = 0; cell < 3; ++cell) {
    int ink = 0, widest = 0;
    for (const std::string& line : art) {
      ASSERT_EQ(line.size(), 50u) << line;
      int row = 0;
      for (std::size_t column = 0; column < 16; ++column) row += line[cell * 17 + column] == '#';
      ink += row;
      widest = std::max(widest, row);
    }
    EXPECT_GT(ink, 10) << "cell " << cell << " has no glyph";
    if (cell == 0) {
      EXPECT_GE(widest, 8) << "王 is drawn with long horizontal strokes";
    }
  }
}

TEST_F(TopUpE2e, WrongManagementCardSendsNoOrder) {
  EXPECT_EQ(TransmitATM(1, 3, 1, 1, 12.3, kName, 9999), 0);
  Frames frames = WaitForFrames(2);
  EXPECT_EQ(frames, (Frames{"> M SA003009999!", "> S SZ!"}));
  EXPECT_EQ(Held()["orders"], json::array());
  EXPECT_TRUE(ArtOf(1).empty());
}

// The machine keeps the order but its answer is lost in a wrong word: the
// host wraps up once and reports failure.
class RefusingMachine : public TopUpE2e {
 protected:
  RefusingMachine() : TopUpE2e(R"([{"kind": "wrong_word", "frame": "L", "text": "ERR"}])") {}
};

TEST_F(RefusingMachine, AnswerOtherThanDoneEndsOnce) {
  EXPECT_EQ(TransmitATM(1, 3, 70000, 0, 0.29, kName, 4321), 0);
  Frames frames = WaitForFrames(5);
  ASSERT_EQ(frames.size(), 5u);
  EXPECT_EQ(frames[0], "> M SA003004321!");
  EXPECT_EQ(frames[1], "< N OK!");
  EXPECT_EQ(frames[3], "< N ERR!");
  EXPECT_EQ(frames[4], "> S SZ!");
  const std::string order = Unescape(frames[2].substr(4));
  ASSERT_EQ(order.size(), kOrderLength);
  // Card 70000 is 0x11170; 0.29 yuan is 2 tenths.
  EXPECT_EQ(order.substr(0, 8), std::string("L\x70\x11\x61\x00\x00\x02\x00", 8));
  json orders = Held()["orders"];
  ASSERT_EQ(orders.size(), 1u);
  EXPECT_EQ(orders[0]["card"], 70000);
  EXPECT_EQ(orders[0]["mode"], 0);
  EXPECT_EQ(orders[0]["tenths"], 2);
}

}  // namespace
}  // namespace icbus::e2e
