// The simulated bus: framing by "!" and mode, who hears what, collisions,
// and the terminal model's answers.
#include <gtest/gtest.h>

#include "bus.h"
#include "terminal.h"

namespace icbus::sim {
namespace {

TEST(FrameAssembler, CutsAtBangAndAtAModeChange) {
  FrameAssembler assembler;
  EXPECT_TRUE(assembler.Push("SA0", Mode::kAddress).empty());
  auto frames = assembler.Push("05!SD", Mode::kAddress);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].bytes, "SA005!");
  frames = assembler.Push("!", Mode::kData);  // "SD" was cut by the mode change
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].bytes, "SD");
  EXPECT_EQ(frames[0].mode, Mode::kAddress);
  EXPECT_EQ(frames[1].bytes, "!");
  EXPECT_FALSE(assembler.Flush());
}

Bus TwoTerminals() {
  Bus bus;
  TerminalConfig a, b;
  a.machine = 1;
  b.machine = 2;
  bus.Add(std::make_unique<Terminal>(a));
  bus.Add(std::make_unique<Terminal>(b));
  return bus;
}

TEST(Bus, DataFramesReachOnlyTheSelectedTerminal) {
  Bus bus = TwoTerminals();
  auto reply = bus.Deliver({"SA002!", Mode::kAddress});
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->bytes, "OK!");
  EXPECT_FALSE(bus.devices()[0]->Selected());
  EXPECT_TRUE(bus.devices()[1]->Selected());
  EXPECT_EQ(bus.Deliver({"SJ!", Mode::kData})->bytes, "DONE!");
  EXPECT_FALSE(bus.Deliver({"SZ!", Mode::kData}));
  EXPECT_FALSE(bus.devices()[1]->Selected());
  EXPECT_FALSE(bus.Deliver({"SD!", Mode::kData}));  // nobody selected
}

TEST(Bus, DataFramesAtTheWrongModeAreIgnored) {
  Bus bus = TwoTerminals();
  EXPECT_FALSE(bus.Deliver({"SA001!", Mode::kData}));
  EXPECT_FALSE(bus.Deliver({"SA001!", Mode::kNone}));
}

TEST(Bus, SimultaneousRepliesCollide) {
  Bus bus;
  TerminalConfig config;
  config.machine = 3;
  bus.Add(std::make_unique<Terminal>(config));
  bus.Add(std::make_unique<Terminal>(config));
  auto reply = bus.Deliver({"SA003!", Mode::kAddress});
  ASSERT_TRUE(reply);
  // Even identical answers collide: no "!" survives.
  EXPECT_EQ(reply->bytes.find('!'), std::string::npos) << reply->bytes;
}

TEST(Terminal, SixDigitAddressChecksTheManagementCard) {
  TerminalConfig config;
  config.machine = 5;
  config.management_card = 123456;
  Terminal terminal(config);
  EXPECT_FALSE(terminal.Hear({"SA005000001!", Mode::kAddress}));
  EXPECT_FALSE(terminal.Selected());
  EXPECT_EQ(terminal.Hear({"SA005123456!", Mode::kAddress})->bytes, "OK!");
  EXPECT_TRUE(terminal.Selected());
  EXPECT_FALSE(terminal.Hear({"SA05!", Mode::kAddress}));
  EXPECT_FALSE(terminal.Selected());
}

TEST(Terminal, KeepsTheClockItWasGiven) {
  TerminalConfig config;
  config.machine = 5;
  Terminal terminal(config);
  terminal.Hear({"SA005!", Mode::kAddress});
  EXPECT_EQ(terminal.Hear({"SE2005030109050!", Mode::kData})->bytes, "ERR!");
  EXPECT_EQ(terminal.Hear({"SE20050301090507!", Mode::kData})->bytes, "DONE!");
  EXPECT_EQ(terminal.Hear({"SD!", Mode::kData})->bytes, "20050301090507!");
}

TEST(Faults, CountLimitsHowOftenAFaultStrikes) {
  TerminalConfig config;
  config.machine = 5;
  Terminal terminal(config);
  terminal.AddFault(Fault{Fault::Kind::kSilence, "SA", 1, 0, 0, ""});
  EXPECT_FALSE(terminal.Hear({"SA005!", Mode::kAddress}));
  EXPECT_TRUE(terminal.Hear({"SA005!", Mode::kAddress}));
}

TEST(Faults, EachKindChangesTheReplyAsNamed) {
  struct {
    Fault::Kind kind;
    std::string text;
    std::string expected;
  } rows[] = {
      {Fault::Kind::kNoBang, "", "OK"},
      {Fault::Kind::kZeroBeforeBang, "", std::string("OK\0!", 4)},
      {Fault::Kind::kWrongWord, "ok", "ok!"},
      {Fault::Kind::kExtraBytes, "xy", "OK!xy"},
  };
  for (const auto& row : rows) {
    TerminalConfig config;
    config.machine = 5;
    Terminal terminal(config);
    terminal.AddFault(Fault{row.kind, "", -1, 0, 0, row.text});
    auto reply = terminal.Hear({"SA005!", Mode::kAddress});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->bytes, row.expected);
  }
}

}  // namespace
}  // namespace icbus::sim
