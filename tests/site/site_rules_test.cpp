// The rules that need no line: what the site file refuses and where, when a
// terminal may be cleared, how long a failing job waits.
#include <gtest/gtest.h>

#include "bus/schedule.h"
#include "collect/clearing.h"
#include "config/site_config.h"

namespace icbus::site {
namespace {

const char kGood[] = R"([[bus]]
name = "a"
port = 1
[[bus.terminal]]
machine = 5
)";

struct BadFile {
  const char* text;
  int line, column;
  const char* message;  // part of it
};

void PrintTo(const BadFile& file, std::ostream* out) { *out << file.line << ":" << file.column; }

class SiteFileMistakes : public ::testing::TestWithParam<BadFile> {};

TEST_P(SiteFileMistakes, NamedWithTheirPlace) {
  std::vector<ConfigError> errors;
  ParseSiteText(GetParam().text, "site.toml", &errors);
  ASSERT_FALSE(errors.empty());
  EXPECT_EQ(errors[0].line, GetParam().line);
  EXPECT_EQ(errors[0].column, GetParam().column);
  EXPECT_NE(errors[0].message.find(GetParam().message), std::string::npos) << errors[0].message;
}

INSTANTIATE_TEST_SUITE_P(
    Site, SiteFileMistakes,
    ::testing::Values(
        BadFile{"[[bus]]\nname = \"a\nport = 1\n", 2, 10, ""},  // a syntax error
        BadFile{"[[bus]]\nname = \"a\"\nprot = 1\n[[bus.terminal]]\nmachine = 1\n", 3, 1,
                "unknown key \"prot\""},
        BadFile{"[[bus]]\nname = \"a\"\n[[bus.terminal]]\nmachine = 1\n", 1, 1,
                "exactly one of \"port\""},
        BadFile{"[[bus]]\nport = 1\n[[bus.terminal]]\nmachine = 1000\n", 4, 11, "0 to 999"},
        BadFile{"[[bus]]\nport = 1\n[[bus.terminal]]\nmachine = 3\nkind = \"topup\"\n", 3, 1,
                "needs \"management_card\""},
        BadFile{
            "[[bus]]\nport = 1\n[[bus.terminal]]\nmachine = 3\nkind = \"water\"\nclear = true\n", 6,
            9, "cannot be cleared safely"},
        BadFile{"[[bus]]\nport = 1\n[[bus.terminal]]\nmachine = 3\nrecords = [\"water\"]\n", 5, 12,
                "hands over only: consumption, backup"},
        BadFile{"[schedule]\ncollect_at = [\"25:00\"]\n[[bus]]\nport = "
                "1\n[[bus.terminal]]\nmachine = 1\n",
                2, 15, "HH:MM"},
        BadFile{"[[bus]]\nport = 1\n[[bus.terminal]]\nmachine = 1\n[[bus.terminal]]\nmachine = 1\n",
                5, 1, "appears twice"}));

TEST(SiteFile, EveryMistakeIsReportedAndAGoodFileReads) {
  std::vector<ConfigError> errors;
  SiteConfig config = ParseSiteText(kGood, "site.toml", &errors);
  EXPECT_TRUE(errors.empty());
  ASSERT_EQ(config.buses.size(), 1u);
  EXPECT_EQ(config.buses[0].terminals[0].records, std::vector<std::string>{"consumption"});
  errors.clear();
  ParseSiteText("[http]\nlisen = 1\n[[bus]]\nport = 0\n[[bus.terminal]]\nmachine = -1\n", "x",
                &errors);
  EXPECT_EQ(errors.size(), 4u);  // the key, the port, no port or device, the machine
}

struct ClearRow {
  ClearCheck check;
  const char* why;  // empty: safe
};

TEST(Clearing, OnlyACompleteDownloadOfAnUnchangedCount) {
  const ClearRow rows[] = {
      {{true, 3, 3, 3}, ""},
      {{false, 3, 3, 3}, "end marker"},
      {{true, std::nullopt, 3, 3}, "count before"},
      {{true, 3, 3, 2}, "brought 2 records"},
      {{true, 3, std::nullopt, 3}, "count after"},
      {{true, 3, 4, 3}, "a record arrived"},
  };
  for (const ClearRow& row : rows) {
    std::string why = WhyNotClear(row.check);
    if (*row.why == '\0') {
      EXPECT_EQ(why, "");
    } else {
      EXPECT_NE(why.find(row.why), std::string::npos) << why;
    }
  }
}

TEST(Schedule, BackOffDoublesUpToItsBoundAndAPeriodFollowsTheLastRun) {
  EXPECT_EQ(BackOff(1, 30), std::chrono::minutes(1));
  EXPECT_EQ(BackOff(3, 30), std::chrono::minutes(4));
  EXPECT_EQ(BackOff(40, 30), std::chrono::minutes(30));
  Schedule every{15, {}};
  Clock::time_point now = Clock::now();
  EXPECT_EQ(NextDue(every, now), now + std::chrono::minutes(15));
  Schedule at{0, {0}};  // midnight: within a day, never in the past
  auto next = NextDue(at, now);
  EXPECT_GT(next, now);
  EXPECT_LE(next, now + std::chrono::hours(25));
  EXPECT_EQ(NextDue(Schedule{}, now), Clock::time_point::max());
}

}  // namespace
}  // namespace icbus::site
