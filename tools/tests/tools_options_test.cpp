#include <gtest/gtest.h>

#include "cli/options.h"

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

TEST(ParseAmount, AcceptsYuanWithUpToTwoDecimals) {
  EXPECT_EQ(ParseAmount("0"), 0.0);
  EXPECT_EQ(ParseAmount("12"), 12.0);
  EXPECT_EQ(ParseAmount("12.5"), 12.5);
  EXPECT_EQ(ParseAmount("1.15"), 1.15);
  EXPECT_EQ(ParseAmount("0012.30"), 12.3);
}

TEST(ParseAmount, RejectsAnythingElse) {
  for (const char* text : {"", ".5", "5.", "-1", "+1", "1.234", "1e3", "0x10", " 1", "1 ", "1,5",
                           "nan", "inf", "1234567890"}) {
    EXPECT_EQ(ParseAmount(text), std::nullopt) << "'" << text << "'";
  }
}

TEST(CheckValue, AmountsHaveAnUpperBound) {
  OptionSpec amount = AmountOption("amount", 99.9, true, "");
  EXPECT_EQ(amount.value_name, "YUAN");
  EXPECT_EQ(CheckValue(amount, "99.9"), std::nullopt);
  EXPECT_EQ(CheckValue(amount, "99.91"), "--amount must be at most 99.90, not 99.91");
  EXPECT_EQ(CheckValue(amount, "x"), "--amount needs an amount in yuan such as 12.5, not 'x'");
}

TEST(CheckValue, DigitTextsCountDigits) {
  OptionSpec digits = TextOption("entry", "D", TextCheck::kDigits, 1, 3, true, "");
  EXPECT_EQ(CheckValue(digits, "007"), std::nullopt);
  EXPECT_EQ(CheckValue(digits, "0a"), "--entry takes digits only, not '0a'");
  EXPECT_EQ(CheckValue(digits, "1234"), "--entry must have 1 to 3 digits, not 4: '1234'");
  OptionSpec hex = TextOption("key", "H", TextCheck::kHex, 2, 2, true, "");
  EXPECT_EQ(CheckValue(hex, "aF"), std::nullopt);
  EXPECT_EQ(CheckValue(hex, "aG"), "--key takes hexadecimal digits only, not 'aG'");
  EXPECT_EQ(CheckValue(hex, "A"), "--key must have 2 digits, not 1: 'A'");
}

TEST(CheckValue, GbkTextsCountTheBytesThatAreSent) {
  OptionSpec text = TextOption("text", "T", TextCheck::kGbk, 0, 4, true, "");
  EXPECT_EQ(CheckValue(text, "王一"), std::nullopt);  // six bytes in UTF-8, four in GBK
  EXPECT_EQ(CheckValue(text, "王一a"), "--text must have at most 4 bytes in GBK, not 5: '王一a'");
  EXPECT_EQ(CheckValue(text, "a!"), "--text may not contain '!', which ends a frame");
  OptionSpec wide = TextOption("name", "T", TextCheck::kGbkWide, 0, 6, true, "");
  EXPECT_EQ(CheckValue(wide, "王"), std::nullopt);
  EXPECT_EQ(CheckValue(wide, "王a"), "--name takes Chinese characters only, not '王a'");
  OptionSpec any = TextOption("out", "F", TextCheck::kAny, 1, 10, true, "");
  EXPECT_EQ(CheckValue(any, "a!/\xff"), std::nullopt);
  EXPECT_EQ(CheckValue(any, ""), "--out must have 1 to 10 bytes, not 0: ''");
}

TEST(OptionSpecs, DefaultsMakeAnOptionOptional) {
  OptionSpec block = WithDefault(IntegerOption("block", "N", 0, 3, true, ""), "2");
  EXPECT_FALSE(block.required);
  EXPECT_EQ(block.default_value, "2");
  OptionSpec flag = FlagOption("ex", "help");
  EXPECT_EQ(flag.kind, ValueKind::kFlag);
  EXPECT_EQ(flag.value_name, "");
  EXPECT_EQ(CheckValue(flag, "1"), "--ex takes no value");
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
  values.Set("amount", "12.5");
  values.Set("name", "王");
  EXPECT_EQ(values.Amount("amount"), 12.5);
  EXPECT_EQ(values.Amount("missing"), 0.0);
  EXPECT_EQ(values.Gbk("name"), "\xcd\xf5");
}

}  // namespace
}  // namespace icbus::tool
