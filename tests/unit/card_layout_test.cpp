// Card layout encodings at their limits, both ways, in both layouts.
#include <gtest/gtest.h>

#include "card/layout.h"

namespace icbus::card {
namespace {

const std::string kZeros(32, '0');

TEST(CardNumber, EncodesLowMiddleThenMarkerAndHigh) {
  struct {
    std::uint32_t number;
    const char* chars;
  } rows[] = {{1, "010060"}, {74565, "452361"}, {1048575, "FFFF6F"}, {0, "000060"}};
  for (const auto& row : rows) {
    std::string block = SetCardNumber(kZeros, row.number);
    EXPECT_EQ(block.substr(0, 6), row.chars) << row.number;
    EXPECT_EQ(block.substr(6), kZeros.substr(6));
    EXPECT_EQ(GetCardNumber(block), row.number);
  }
}

TEST(CardNumber, MarkerIsIgnoredAndNonHexIsRefused) {
  EXPECT_EQ(GetCardNumber("452371" + kZeros.substr(6)), 74565u);
  EXPECT_EQ(GetCardNumber("45 361" + kZeros.substr(6)), std::nullopt);
  EXPECT_EQ(GetCardNumber("      " + kZeros.substr(6)), std::nullopt);
}

TEST(CardNumber, TextMustBeDecimalAndInRange) {
  EXPECT_EQ(ParseCardNumber("000001"), 1u);
  EXPECT_EQ(ParseCardNumber("1048575"), 1048575u);
  for (const char* bad : {"1048576", "-1", "", "12a", " 1", "99999999999", "1.5"}) {
    EXPECT_EQ(ParseCardNumber(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(ParseCardNumber(nullptr), std::nullopt);
}

TEST(Numbers, LittleEndianWithOtherCharactersKept) {
  std::string block = "ffffff0700abcdef" + std::string(16, 'a');
  EXPECT_EQ(GetNumber(block, 3, 2), 7u);
  std::string changed = SetNumber(block, 3, 2, 8);
  EXPECT_EQ(changed.substr(6, 4), "0800");
  EXPECT_EQ(changed.substr(0, 6), "ffffff");  // same characters, same case
  EXPECT_EQ(changed.substr(10), block.substr(10));
  EXPECT_EQ(SetNumber(kZeros, 3, 2, 258).substr(6, 4), "0201");
  EXPECT_EQ(SetNumber(kZeros, 13, 3, 2000).substr(26, 6), "D00700");
  EXPECT_EQ(SetNumber(kZeros, 11, 2, 200).substr(22, 4), "C800");
  EXPECT_EQ(GetNumber(SetNumber(kZeros, 5, 3, 999999), 5, 3), 999999u);
  EXPECT_EQ(GetNumber(SetNumber(kZeros, 5, 2, 65535), 5, 2), 65535u);
  EXPECT_EQ(GetNumber("0000000000 0" + kZeros.substr(12), 5, 1), std::nullopt);
}

TEST(Password, DigitsAreSwappedInPairs) {
  std::string block = SetPassword(kZeros, 26, "12345");
  EXPECT_EQ(block.substr(26), "214305");
  EXPECT_EQ(GetPassword(block, 26), "12345");
  block = SetPassword(kZeros, 12, "98760");
  EXPECT_EQ(block.substr(12, 6), "896700");
  EXPECT_EQ(GetPassword(block, 12), "98760");
  EXPECT_EQ(GetPassword(kZeros.substr(0, 26) + "21A305", 26), std::nullopt);
  EXPECT_TRUE(IsPassword("00000"));
  for (const char* bad : {"1234", "123456", "1234a", ""}) EXPECT_FALSE(IsPassword(bad)) << bad;
  EXPECT_FALSE(IsPassword(nullptr));
}

TEST(Amounts, PurseConversionTruncates) {
  struct {
    double yuan;
    bool two;
    int mode;
    std::int64_t units;
  } rows[] = {
      {12.34, true, 0, 1234}, {1.15, true, 0, 115},  {1.15, false, 1, 115}, {0.29, false, 0, 2},
      {0.01, true, 0, 1},     {6553.5, false, 0, 65535}, {0.0, false, 0, 0}, {9999.99, true, 0, 999999},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(PurseUnits(row.yuan, row.two, row.mode), row.units) << row.yuan;
  }
  EXPECT_EQ(PurseUnits(-0.01, true, 0), std::nullopt);
  EXPECT_EQ(PurseUnits(1.0, false, 2), std::nullopt);
  EXPECT_EQ(PurseUnits(1.0, true, 7), 100);  // the mode does not matter there
}

TEST(Amounts, LimitRoundsUpOnlyWhenAFractionIsLeft) {
  EXPECT_EQ(ScaledUnits(0.291, 100, true), 30);
  EXPECT_EQ(ScaledUnits(20.0, 100, true), 2000);
  EXPECT_EQ(ScaledUnits(0.291, 10, false), 2);
}

TEST(Layouts, FieldPositions) {
  Layout one = LayoutFor(false), two = LayoutFor(true);
  EXPECT_EQ(one.balance_width, 2);
  EXPECT_EQ(two.balance_width, 3);
  EXPECT_EQ(one.max_consume_first, 11);
  EXPECT_EQ(two.max_consume_first, 13);
  EXPECT_EQ(one.password_at, 26u);
  EXPECT_EQ(two.password_at, 12u);
  EXPECT_EQ(two.password_write_chars, 18u);
}

TEST(BlockText, OnlyThirtyTwoHexCharacters) {
  EXPECT_TRUE(IsBlockText(kZeros));
  EXPECT_TRUE(IsBlockText(std::string(32, 'f')));
  EXPECT_FALSE(IsBlockText(std::string(31, '0')));
  EXPECT_FALSE(IsBlockText(" " + std::string(31, '0')));
  EXPECT_FALSE(IsBlockText(std::string(33, '0')));
}

}  // namespace
}  // namespace icbus::card
