// Amounts reach the card and the wire as typed, or not at all: an amount
// finer than the unit it is stored in is refused before anything is sent,
// and --verify reads back what the card holds.
#include <gtest/gtest.h>

#include "commands/amount_units.h"
#include "tool_fixture.h"

namespace icbus::tool {
namespace {

std::vector<std::string> Card(std::vector<std::string> words, std::vector<std::string> more) {
  words.insert(words.begin(), "card");
  words.insert(words.end(), {"--port", "1"});
  words.insert(words.end(), more.begin(), more.end());
  return words;
}

TEST(TypedFen, EveryAmountOfTwoDecimalsIsItsFenExactly) {
  // The sweep a binary product would fail: 1.15 x 100 is 114.99999999999999.
  for (long long k = 0; k <= 1000000; ++k) {
    std::string whole = std::to_string(k / 100);
    std::string cents = std::to_string(k % 100);
    if (cents.size() == 1) cents.insert(0, "0");
    ASSERT_EQ(TypedFen(whole + "." + cents), k) << whole << "." << cents;
    if (k % 10 == 0) {
      ASSERT_EQ(TypedFen(whole + "." + cents.substr(0, 1)), k);
    }
    if (k % 100 == 0) {
      ASSERT_EQ(TypedFen(whole), k);
    }
  }
}

TEST(TypedFen, OnlyAmountsAsTyped) {
  for (const char* text : {"", ".5", "1.", "1.234", "-1", "1e2", " 1", "0x10", "1,5"}) {
    EXPECT_FALSE(TypedFen(text)) << text;
  }
}

TEST(UnitsText, WritesTheUnitsDecimals) {
  EXPECT_EQ(UnitsText(0, 10), "0.0");
  EXPECT_EQ(UnitsText(125, 10), "12.5");
  EXPECT_EQ(UnitsText(5, 100), "0.05");
  EXPECT_EQ(UnitsText(-7, 100), "-0.07");
  // The library hands back units / scale; the nearest whole unit is exact.
  EXPECT_EQ(UnitsOf(1.15, 100), 115);
  EXPECT_EQ(UnitsOf(0.3, 10), 3);
}

TEST(Amounts, FinerThanTheUnitIsRefusedBeforeSending) {
  ExpectUsageErrors({
      {Card({"topup"}, {"--amount", "0.09"}),
       "0.09 yuan is finer than this card's unit of 0.1 yuan"},
      {Card({"refund"}, {"--amount", "1.15"}),
       "1.15 yuan is finer than this card's unit of 0.1 yuan"},
      {Card({"debit"}, {"--amount", "0.01"}),
       "0.01 yuan is finer than this card's unit of 0.1 yuan"},
      {Card({"limit", "daily", "set"}, {"--limit", "20.05"}),
       "20.05 yuan is finer than the card's limit unit of 0.1 yuan"},
      {Card({"issue"},
            {"--number", "1", "--password", "12345", "--daily-limit", "0.55", "--decimals", "2"}),
       "0.55 yuan is finer than the card's limit unit of 0.1 yuan"},
      {{"topup", "send", "--port", "1", "--machine", "7", "--card", "1", "--mgmt", "1", "--mode",
        "add", "--name", "王", "--amount", "0.05"},
       "0.05 yuan is finer than the top-up machine's unit of 0.1 yuan"},
      {{"set", "keyboard", "--port", "1", "--machine", "5", "--index", "1", "--amount", "1.25"},
       "1.25 yuan is finer than the keyboard's unit of 0.1 yuan"},
  });
}

TEST(Amounts, WhatTheUnitHoldsIsSentAndPrintedAsApplied) {
  ExpectCalls({
      {Card({"topup"}, {"--amount", "0.10"}),
       {"Increase(1, 0, 2, 2, 0.1, 0)"},
       "topped up 0.1 yuan (sector 2 block 2 on the card writer on port 1)\n"},
      // Fen fit a card that keeps fen: by --unit, or by the decimal setting.
      {Card({"topup"}, {"--amount", "0.09", "--decimals", "2"}),
       {"SetDecLen(\"2\")", "Increase(1, 0, 2, 2, 0.09, 0)"},
       "topped up 0.09 yuan (sector 2 block 2 on the card writer on port 1)\n"},
      {Card({"limit", "daily", "set"}, {"--limit", "20.05", "--decimals", "2"}),
       {"SetDecLen(\"2\")", "WriteCardMaxConsume(1, 2, 2, 20.05)"},
       "daily limit 20.05 yuan written to sector 2 block 2 on the card writer on port 1\n"},
      {{"set", "keyboard", "--port", "1", "--machine", "5", "--index", "1", "--amount", "1.20"},
       {"SetKeyboard(1, 5, 1, 1.2)"},
       "terminal 5 on port 1 took keyboard entry 1 at 1.2 yuan\n"},
      {{"set", "menu-amount", "--port", "1", "--machine", "5", "--category", "A", "--menu", "1",
        "--amount", "1.15"},
       {"SetClassMenuMoney(1, 5, \"A\", \"1\", 1.15)"},
       "terminal 5 on port 1 took menu A1 at 1.15 yuan\n"},
  });
}

class VerifyTest : public ::testing::Test {
 protected:
  Ran Run(std::vector<std::string> words, std::vector<std::string> more = {}) {
    more.push_back("--verify");
    return RunTool(Card(std::move(words), more), &bus_);
  }
  FakeBus bus_;
};

TEST_F(VerifyTest, ABalanceThatMovedByTheAmountIsConfirmed) {
  bus_.balances = {12.3, 13.5};
  Ran ran = Run({"topup"}, {"--amount", "1.2"});
  EXPECT_EQ(ran.code, 0) << ran.err;
  EXPECT_EQ(ran.calls,
            (std::vector<std::string>{"ReadBalance(1, 2, 2, 0)", "Increase(1, 0, 2, 2, 1.2, 0)",
                                      "ReadBalance(1, 2, 2, 0)"}));
  EXPECT_EQ(ran.out,
            "topped up 1.2 yuan (sector 2 block 2 on the card writer on port 1)\n"
            "balance read back: 13.5 yuan, as expected\n");
}

TEST_F(VerifyTest, ABalanceThatDidNotMoveFails) {
  // What a card that keeps tenths did with 0.09 yuan before it was refused.
  bus_.balances = {0.0, 0.0};
  Ran ran = Run({"debit"}, {"--amount", "0.05", "--unit", "hundredths"});
  EXPECT_EQ(ran.code, 1);
  EXPECT_EQ(ran.err,
            "icbus: the balance read back is 0.00 yuan, not the -0.05 yuan expected after the "
            "debit (sector 2 block 2 on the card writer on port 1)\n");
  bus_.balances = {5.0, 5.1};
  ran = Run({"refund"}, {"--amount", "0.2"});
  EXPECT_EQ(ran.code, 1);
  EXPECT_NE(ran.err.find("read back is 5.1 yuan, not the 5.2 yuan expected"), std::string::npos)
      << ran.err;
}

TEST_F(VerifyTest, CancelExpectsAnEmptyPurse) {
  bus_.balances = {8.8, 0.0};
  Ran ran = Run({"cancel"});
  EXPECT_EQ(ran.code, 0) << ran.err;
  EXPECT_NE(ran.out.find("balance read back: 0.0 yuan, as expected"), std::string::npos);
  bus_.balances = {8.8, 8.8};
  EXPECT_EQ(Run({"cancel"}).code, 1);
}

TEST_F(VerifyTest, AnUnreadableCardIsNotWritten) {
  bus_.balances = {-1.0};
  Ran ran = Run({"topup"}, {"--amount", "1"});
  EXPECT_EQ(ran.code, 1);
  EXPECT_EQ(ran.calls, (std::vector<std::string>{"ReadBalance(1, 2, 2, 0)"}));
  EXPECT_EQ(ran.err,
            "icbus: reading the balance before the top-up failed: the card writer could not be "
            "reached (port not opened, or the exchange failed) (sector 2 block 2 on the card "
            "writer on port 1); nothing was written\n");
  bus_.balances = {1.0, -1.0};
  ran = Run({"topup"}, {"--amount", "1"});
  EXPECT_EQ(ran.code, 1);
  EXPECT_NE(ran.err.find("the top-up was written, but reading the balance back failed"),
            std::string::npos)
      << ran.err;
}

TEST(TopUpFont, ANameNoFontCanDrawIsRefusedWithTheRemedy) {
  FakeBus bus;
  bus.drawable = false;
  Ran ran = RunTool({"topup", "send", "--port", "1", "--machine", "7", "--card", "1", "--mgmt", "1",
                     "--mode", "add", "--amount", "1", "--name", "王一"},
                    &bus);
  EXPECT_EQ(ran.code, 1);
  EXPECT_EQ(ran.calls, (std::vector<std::string>{"icbus_name_drawable(\"\xcd\xf5\xd2\xbb\")"}));
  EXPECT_EQ(ran.err,
            "icbus: no font on this computer can draw the name '王一'; install a Chinese font or "
            "set ICBUS_FONT to a font file that has these characters; nothing was sent\n");
  EXPECT_EQ(ran.out, "");
}

}  // namespace
}  // namespace icbus::tool
