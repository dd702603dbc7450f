// The schedule, tariff, menu and display commands: which export each command
// line reaches, with which arguments (texts in GBK), and what is refused.
#include <gtest/gtest.h>

#include "tool_fixture.h"

namespace icbus::tool {
namespace {

std::vector<std::string> Set(const std::string& what, std::vector<std::string> more) {
  std::vector<std::string> args = {"set", what, "--port", "1", "--machine", "5"};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(ScheduleCommands, ReachTheirExports) {
  ExpectCalls({
      {Set("meal-limit", {"--limit", "5"}),
       {"SetMealTimes(1, 5, 5)"},
       "terminal 5 on port 1 took the consumption-count limit 5\n"},
      {Set("meal-period", {"--period", "107001000"}),
       {"SetMealTime(1, 5, \"107001000\")"},
       "terminal 5 on port 1 took the consumption period 107001000\n"},
      {Set("interval", {"--interval", "255"}),
       {"SetIntervalTime(1, 5, 255)"},
       "terminal 5 on port 1 took the punch interval 255\n"},
      {Set("bell", {"--bell", "10730010"}),
       {"SetBellTime(1, 5, \"10730010\")"},
       "terminal 5 on port 1 took the bell time 10730010\n"},
      {Set("door", {"--period", "207301800"}),
       {"SetOpenTime(1, 5, \"207301800\")"},
       "terminal 5 on port 1 took the door-open period 207301800\n"},
      {Set("water", {"--price", "20", "--units", "5", "--seconds", "10"}),
       {"SetWaterParam(1, 5, 20, 5, 10)"},
       "terminal 5 on port 1 took the water tariff (20 fen a unit, 5 units a time, 10 s a "
       "unit)\n"},
      {Set("reserve", {"--selector", "3", "--text", "ab c"}),
       {"SetReserveParam(1, 5, 3, \"ab c\")"},
       "terminal 5 on port 1 took parameter 3 'ab c'\n"},
  });
}

TEST(DisplayCommands, ReachTheirExportsWithGbkTexts) {
  ExpectCalls({
      {Set("keyboard", {"--index", "3", "--amount", "12.5"}),
       {"SetKeyboard(1, 5, 3, 12.5)"},
       "terminal 5 on port 1 took keyboard entry 3 at 12.5 yuan\n"},
      {Set("menu-amount", {"--category", "B", "--menu", "1", "--amount", "12.50"}),
       {"SetClassMenuMoney(1, 5, \"B\", \"1\", 12.5)"},
       "terminal 5 on port 1 took menu B1 at 12.50 yuan\n"},
      {Set("menu-name", {"--category", "A", "--menu", "2", "--name", "王一"}),
       {"SetClassMenuName(1, 5, \"A\", \"2\", \"\xcd\xf5\xd2\xbb\")"},
       "terminal 5 on port 1 took the name '王一' for category A\n"},
      {Set("display", {"--line", "A", "--text", "hello"}),
       {"SetScreenDisplayText(1, 5, \"Ahello\")"},
       "terminal 5 on port 1 took line A 'hello'\n"},
      // Without a text the line is sent blank, so the terminal clears it.
      {Set("display", {"--line", "C"}),
       {"SetScreenDisplayText(1, 5, \"C                \")"},
       "terminal 5 on port 1 took line C ''\n"},
      {Set("read-name", {"--number", "000123", "--password", "123456", "--name", "王一"}),
       {"SetReadCardName(1, 5, \"000123123456\xcd\xf5\xd2\xbb\")"},
       "terminal 5 on port 1 took the swipe text for card 000123\n"},
  });
}

TEST(SettingCommands, RefusalsAreFailures) {
  ExpectFailures({
      {Set("meal-limit", {"--limit", "5"}), 0,
       "terminal 5 on port 1 did not confirm the consumption-count limit 5"},
      {Set("display", {"--line", "A", "--text", "x"}), 0,
       "terminal 5 on port 1 did not confirm line A 'x'"},
  });
}

TEST(SettingCommands, TextsMustFitTheirFrames) {
  ExpectUsageErrors({
      {Set("meal-period", {"--period", "10700100"}),
       "--period must have 9 digits, not 8: '10700100'"},
      {Set("bell", {"--bell", "1073001a"}), "--bell takes digits only, not '1073001a'"},
      {Set("meal-limit", {"--limit", "-1"}), "--limit must be between 0 and 999, not -1"},
      {Set("water", {"--price", "1000", "--units", "5", "--seconds", "10"}),
       "--price must be between 0 and 999, not 1000"},
      {Set("reserve", {"--selector", "1", "--text", "123456789012345678901"}),
       "--text must have at most 20 bytes in GBK, not 21: '123456789012345678901'"},
      {Set("reserve", {"--selector", "1", "--text", "a!b"}),
       "--text may not contain '!', which ends a frame"},
      {Set("keyboard", {"--index", "3", "--amount", "100"}),
       "--amount must be at most 99.90, not 100"},
      {Set("keyboard", {"--index", "3", "--amount", "1.234"}),
       "--amount needs an amount in yuan such as 12.5, not '1.234'"},
      {Set("menu-amount", {"--category", "G", "--menu", "1", "--amount", "1"}),
       "--category must be A|B|C|D|E|F, not 'G'"},
      {Set("menu-amount", {"--category", "A", "--menu", "12", "--amount", "1"}),
       "--menu must have 1 byte in GBK, not 2: '12'"},
      // Ten Chinese characters are 20 bytes in GBK, two more than the frame takes.
      {Set("menu-name", {"--category", "A", "--menu", "1", "--name", "一二三四五六七八九十"}),
       "--name must have at most 18 bytes in GBK, not 20: '一二三四五六七八九十'"},
      {Set("display", {"--line", "A", "--text", "一二三四五六七八九"}),
       "--text must have at most 16 bytes in GBK, not 18: '一二三四五六七八九'"},
      {Set("display", {"--line", "A", "--text", "\xf0\x9f\x98\x80"}),
       "--text has characters GBK cannot represent: '\xf0\x9f\x98\x80'"},
      {Set("read-name", {"--number", "000123", "--password", "123456", "--name", "王一二三"}),
       "--name must have at most 6 bytes in GBK, not 8: '王一二三'"},
      // A display shows a control character as garbage, or acts on it.
      {Set("display", {"--line", "A", "--text", "ab\ncd"}),
       "--text may not contain control characters (\\x0A at byte 3): 'ab\\x0Acd'"},
      {Set("reserve", {"--selector", "1", "--text", "\x1b[2J"}),
       "--text may not contain control characters (\\x1B at byte 1): '\\x1B[2J'"},
      {Set("menu-name", {"--category", "A", "--menu", "1", "--name", "\xb0\xa1"}),
       "--name is not valid UTF-8: '\\xB0\\xA1'; give the text in UTF-8"},
  });
}

// The terminal runs by the times of day in a schedule text: 25:00 would be
// a time that never comes.
TEST(ScheduleCommands, TimesOfDayAreCheckedBeforeSending) {
  const std::string tail =
      " is not a time of day (hours 00 to 23, minutes 00 to 59); nothing was sent";
  ExpectUsageErrors({
      {Set("meal-period", {"--period", "125009000"}),
       "--period 125009000: the start time 25:00" + tail},
      {Set("meal-period", {"--period", "107002360"}),
       "--period 107002360: the end time 23:60" + tail},
      {Set("bell", {"--bell", "12599999"}), "--bell 12599999: the bell time 25:99" + tail},
      {Set("door", {"--period", "199999999"}), "--period 199999999: the opening time 99:99" + tail},
      {Set("door", {"--period", "107002400"}), "--period 107002400: the closing time 24:00" + tail},
  });
  ExpectCalls({
      {Set("meal-period", {"--period", "100002359"}),
       {"SetMealTime(1, 5, \"100002359\")"},
       "terminal 5 on port 1 took the consumption period 100002359\n"},
  });
}

}  // namespace
}  // namespace icbus::tool
