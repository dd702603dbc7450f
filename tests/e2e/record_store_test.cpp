// Generated records: the length each kind of terminal fills, distinct
// records, and a total that matches the amounts inside them.
#include "record_store.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace icbus::sim {
namespace {

struct LengthRow {
  const char* name;
  TerminalKind kind;
  std::size_t tenths, hundredths;
};

// Test names and failure messages show the row by its name.
void PrintTo(const LengthRow& row, std::ostream* out) { *out << row.name; }

// The longest reply the host reads for each kind, less its "!".
const LengthRow kLengths[] = {
    {"window", TerminalKind::kWindow, 31, 32},
    {"attendance", TerminalKind::kAttendance, 17, 17},
    {"water", TerminalKind::kWater, 21, 21},
    {"topup", TerminalKind::kTopUp, 32, 32},
    {"desktop_topup", TerminalKind::kDesktopTopUp, 31, 31},
    {"timer", TerminalKind::kTimer, 17, 17},
};

bool AllDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

class Generated : public ::testing::TestWithParam<LengthRow> {};

TEST_P(Generated, RecordsFillTheirLengthAndAreDistinct) {
  for (int decimals : {1, 2}) {
    SCOPED_TRACE(decimals);
    const std::size_t length = decimals == 2 ? GetParam().hundredths : GetParam().tenths;
    EXPECT_EQ(RecordLength(GetParam().kind, decimals), length);
    auto records = GenerateRecords(GetParam().kind, decimals, 5, 3000, nullptr);
    ASSERT_EQ(records.size(), 3000u);
    for (const std::string& record : records) {
      ASSERT_EQ(record.size(), length) << record;
      ASSERT_TRUE(AllDigits(record)) << record;
    }
    EXPECT_EQ(std::set<std::string>(records.begin(), records.end()).size(), records.size());
  }
}

TEST_P(Generated, NamesReadBack) {
  TerminalKind kind = TerminalKind::kTimer;
  ASSERT_TRUE(ParseTerminalKind(GetParam().name, &kind));
  EXPECT_EQ(kind, GetParam().kind);
  EXPECT_STREQ(TerminalKindName(kind), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Generated, ::testing::ValuesIn(kLengths),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RecordStoreTest, UnknownKindNameIsRefused) {
  TerminalKind kind = TerminalKind::kWater;
  EXPECT_FALSE(ParseTerminalKind("Window", &kind));
  EXPECT_FALSE(ParseTerminalKind("", &kind));
  EXPECT_EQ(kind, TerminalKind::kWater);
}

// The window record carries its amount after the time stamp and the card
// number, in the terminal's unit; the total is their sum.
TEST(RecordStoreTest, WindowTotalIsTheSumOfTheRecordedAmounts) {
  for (int decimals : {1, 2}) {
    SCOPED_TRACE(decimals);
    long long total = -1;
    auto records = GenerateRecords(TerminalKind::kWindow, decimals, 5, 200, &total);
    const std::size_t width = decimals == 2 ? 6 : 5;
    long long sum = 0;
    for (const std::string& record : records) sum += std::stoll(record.substr(18, width));
    EXPECT_EQ(total, sum);
    EXPECT_GT(total, 0);
    EXPECT_EQ(records[0].substr(18 + width, 3), "005") << "the machine follows the amount";
  }
}

TEST(RecordStoreTest, OtherKindsHaveNoTotal) {
  long long total = -1;
  GenerateRecords(TerminalKind::kTopUp, 1, 5, 10, &total);
  EXPECT_EQ(total, 0);
}

TEST(RecordStoreTest, BackupRecordsFillTheirLengthAndAreDistinct) {
  for (int decimals : {1, 2}) {
    SCOPED_TRACE(decimals);
    auto records = GenerateBackup(decimals, 9, 2000);
    ASSERT_EQ(BackupRecordLength(decimals), decimals == 2 ? 37u : 31u);
    for (const std::string& record : records) {
      ASSERT_EQ(record.size(), BackupRecordLength(decimals)) << record;
      ASSERT_TRUE(AllDigits(record)) << record;
    }
    EXPECT_EQ(std::set<std::string>(records.begin(), records.end()).size(), records.size());
  }
}

TEST(RecordStoreTest, RecordsStartWithAPlausibleTimeStamp) {
  auto records = GenerateRecords(TerminalKind::kWindow, 1, 5, 4000, nullptr);
  for (const std::string& record : records) {
    int month = std::stoi(record.substr(2, 2)), day = std::stoi(record.substr(4, 2));
    int hour = std::stoi(record.substr(6, 2)), minute = std::stoi(record.substr(8, 2));
    int second = std::stoi(record.substr(10, 2));
    ASSERT_TRUE(month == 12 && day >= 1 && day <= 28 && hour < 24 && minute < 60 && second < 60)
        << record;
  }
}

}  // namespace
}  // namespace icbus::sim
