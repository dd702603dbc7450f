#include <gtest/gtest.h>

#include "options.h"

namespace icbus::tool {
namespace {

TEST(ParseInteger, AcceptsPlainDecimalNumbers) {
  EXPECT_EQ(ParseInteger("0"), 0);
  EXPECT_EQ(ParseInteger("5"), 5);
  EXPECT_EQ(ParseInteger("007"), 7);
  EXPECT_EQ(ParseInteger("123456"), 123456);
  EXPECT_EQ(ParseInteger("-3"), -3);
}

TEST(ParseInteger, RejectsAnythingElse) {
  for (const char* text : {"", "-", "+5", " 5", "5 ", "0x10", "12a", "1.5", "1e3", "five",
                           "99999999999999999999999"}) {
    EXPECT_EQ(ParseInteger(text), std::nullopt) << "'" << text << "'";
  }
}

TEST(CheckValue, IntegerRangeIsInclusive) {
  OptionSpec machine = IntegerOption("machine", "N", 0, 999, true, "");
  EXPECT_EQ(CheckValue(machine, "0"), std::nullopt);
  EXPECT_EQ(CheckValue(machine, "999"), std::nullopt);
  EXPECT_EQ(CheckValue(machine, "1000"), "--machine must be between 0 and 999, not 1000");
  EXPECT_EQ(CheckValue(machine, "-1"), "--machine must be between 0 and 999, not -1");
  EXPECT_EQ(CheckValue(machine, "5x"), "--machine needs a whole number, not '5x'");
}

TEST(CheckValue, ChoicesMatchExactly) {
  OptionSpec decimals = ChoiceOption("decimals", {"1", "2"}, "");
  EXPECT_EQ(decimals.value_name, "1|2");
  EXPECT_EQ(CheckValue(decimals, "1"), std::nullopt);
  EXPECT_EQ(CheckValue(decimals, "2"), std::nullopt);
  EXPECT_EQ(CheckValue(decimals, "02"), "--decimals must be 1|2, not '02'");
  EXPECT_EQ(CheckValue(decimals, "3"), "--decimals must be 1|2, not '3'");
}

TEST(OptionValues, ReportsWhatWasGiven) {
  OptionValues values;
  values.Set("port", "3");
  EXPECT_TRUE(values.Has("port"));
  EXPECT_FALSE(values.Has("card"));
  EXPECT_EQ(values.Integer("port"), 3);
  EXPECT_EQ(values.Integer("card", -7), -7);
  EXPECT_EQ(values.OptionalInt("port"), 3);
  EXPECT_EQ(values.OptionalInt("card"), std::nullopt);
  EXPECT_EQ(values.Text("port"), "3");
  EXPECT_EQ(values.Text("card"), "");
}

}  // namespace
}  // namespace icbus::tool
