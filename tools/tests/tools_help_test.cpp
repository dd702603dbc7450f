#include <gtest/gtest.h>

#include "cli/help.h"
#include "commands/catalog.h"

namespace icbus::tool {
namespace {

const Command& Find(const std::vector<std::string>& path) {
  for (const Command& command : AllCommands()) {
    if (command.path == path) return command;
  }
  throw std::runtime_error("no such command");
}

TEST(CommandHelp, UsageLineMarksOptionalOptions) {
  std::string help = CommandHelp(Find({"time", "get"}));
  EXPECT_EQ(
      help.rfind("Usage: icbus time get --port N --machine N [--card N] [--decimals 1|2] [--fast] "
                 "[--json]\n",
                 0),
      0u)
      << help;
}

TEST(CommandHelp, ListsEveryOptionWithItsHelp) {
  const Command& clear = Find({"clear"});
  std::string help = CommandHelp(clear);
  EXPECT_NE(help.find(clear.description), std::string::npos);
  for (const OptionSpec& option : clear.options) {
    EXPECT_NE(help.find("--" + option.name + " " + option.value_name), std::string::npos)
        << option.name;
    EXPECT_NE(help.find(option.help), std::string::npos) << option.name;
  }
  EXPECT_NE(help.find("--machine N     the terminal's machine number, 0 to 999 (required)\n"),
            std::string::npos)
      << help;
  EXPECT_NE(help.find("--help"), std::string::npos);
}

TEST(CommandHelp, ShowsFlagsAndDefaults) {
  std::string add = CommandHelp(Find({"list", "add"}));
  EXPECT_NE(add.find(" [--ex] "), std::string::npos) << add;
  EXPECT_NE(add.find("\n  --ex            use the terminal's second list\n"), std::string::npos)
      << add;
  std::string read = CommandHelp(Find({"card", "read"}));
  EXPECT_NE(read.find("[--sector N] [--block N]"), std::string::npos) << read;
  EXPECT_NE(read.find("the block within the sector, 0 to 3 (default 2)\n"), std::string::npos)
      << read;
}

TEST(GroupHelp, ListsOnlyTheCommandsOfTheGroup) {
  std::string help = GroupHelp(AllCommands(), {"time"});
  EXPECT_EQ(help.rfind("Usage: icbus time COMMAND [options]\n", 0), 0u) << help;
  EXPECT_NE(help.find("  time get  read a terminal's clock\n"), std::string::npos) << help;
  EXPECT_NE(help.find("time set"), std::string::npos);
  EXPECT_EQ(help.find("clear"), std::string::npos);
}

TEST(GroupHelp, TopLevelListsEverything) {
  std::string help = GroupHelp(AllCommands(), {});
  for (const Command& command : AllCommands()) {
    EXPECT_NE(help.find(JoinPath(command.path)), std::string::npos) << JoinPath(command.path);
    EXPECT_NE(help.find(command.summary), std::string::npos);
  }
}

TEST(HelpHint, PointsAtTheNearestHelp) {
  EXPECT_EQ(HelpHint({}), "Try 'icbus --help'.");
  EXPECT_EQ(HelpHint({"time", "get"}), "Try 'icbus time get --help'.");
}

}  // namespace
}  // namespace icbus::tool
