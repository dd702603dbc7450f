#include <gtest/gtest.h>

#include "cli/command_line.h"

namespace icbus::tool {
namespace {

using Options = std::vector<std::pair<std::string, std::string>>;

CommandLine Split(std::vector<std::string> args) {
  CommandLine line;
  std::string error;
  EXPECT_TRUE(SplitCommandLine(args, &line, &error)) << error;
  return line;
}

std::string SplitError(std::vector<std::string> args) {
  CommandLine line;
  std::string error;
  EXPECT_FALSE(SplitCommandLine(args, &line, &error));
  return error;
}

TEST(SplitCommandLine, SeparatesWordsFromOptions) {
  CommandLine line = Split({"time", "get", "--port", "1", "--machine", "5"});
  EXPECT_EQ(line.words, (std::vector<std::string>{"time", "get"}));
  EXPECT_EQ(line.options, (Options{{"port", "1"}, {"machine", "5"}}));
  EXPECT_FALSE(line.help);
}

TEST(SplitCommandLine, OptionsMayStandAnywhereAndUseEquals) {
  CommandLine line = Split({"--decimals=2", "time", "--port", "1", "get", "--machine=5"});
  EXPECT_EQ(line.words, (std::vector<std::string>{"time", "get"}));
  EXPECT_EQ(line.options, (Options{{"decimals", "2"}, {"port", "1"}, {"machine", "5"}}));
}

TEST(SplitCommandLine, ValuesMayBeNegativeOrEmpty) {
  CommandLine line = Split({"--machine", "-1", "--card="});
  EXPECT_EQ(line.options, (Options{{"machine", "-1"}, {"card", ""}}));
}

TEST(SplitCommandLine, HelpTakesNoValue) {
  CommandLine line = Split({"time", "--help", "get"});
  EXPECT_TRUE(line.help);
  EXPECT_EQ(line.words, (std::vector<std::string>{"time", "get"}));
  EXPECT_TRUE(Split({"-h"}).help);
}

TEST(SplitCommandLine, RejectsMalformedTokens) {
  EXPECT_EQ(SplitError({"time", "get", "--port"}), "option --port needs a value");
  EXPECT_EQ(SplitError({"--port", "--machine", "5"}), "option --port needs a value");
  EXPECT_EQ(SplitError({"-p", "1"}), "unknown option '-p'");
  EXPECT_EQ(SplitError({"--"}), "unexpected '--'");
  EXPECT_EQ(SplitError({"--=5"}), "unexpected '--=5'");
}

TEST(SplitCommandLine, FlagsTakeNoValue) {
  CommandLine line;
  std::string error;
  ASSERT_TRUE(
      SplitCommandLine({"list", "--ex", "add", "--entry", "1", "--ex"}, {"ex"}, &line, &error))
      << error;
  EXPECT_EQ(line.words, (std::vector<std::string>{"list", "add"}));
  EXPECT_EQ(line.options, (Options{{"ex", ""}, {"entry", "1"}, {"ex", ""}}));
  EXPECT_FALSE(SplitCommandLine({"--ex=1"}, {"ex"}, &line, &error));
  EXPECT_EQ(error, "option --ex takes no value");
  // Without knowing the flag, the next token is its value.
  ASSERT_TRUE(SplitCommandLine({"--ex", "add"}, &line, &error));
  EXPECT_EQ(line.options, (Options{{"ex", "add"}}));
}

TEST(SplitCommandLine, StartsFromAnEmptyLine) {
  CommandLine line;
  line.words = {"stale"};
  line.help = true;
  std::string error;
  ASSERT_TRUE(SplitCommandLine({"clear"}, &line, &error));
  EXPECT_EQ(line.words, (std::vector<std::string>{"clear"}));
  EXPECT_FALSE(line.help);
}

}  // namespace
}  // namespace icbus::tool
