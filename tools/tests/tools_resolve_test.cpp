#include <gtest/gtest.h>

#include <set>

#include "cli/resolve.h"
#include "commands/catalog.h"

namespace icbus::tool {
namespace {

using Kind = Resolution::Kind;
using Words = std::vector<std::string>;

Resolution ResolveArgs(Words args) { return Resolve(args, AllCommands()); }

TEST(Resolve, FindsTheCommandAndItsOptions) {
  Resolution r = ResolveArgs({"time", "get", "--port", "1", "--machine", "5"});
  ASSERT_EQ(r.kind, Kind::kRun) << r.error;
  EXPECT_EQ(r.command->path, (Words{"time", "get"}));
  EXPECT_EQ(r.options.Integer("port"), 1);
  EXPECT_EQ(r.options.Integer("machine"), 5);
  EXPECT_FALSE(r.options.Has("card"));
  EXPECT_FALSE(r.options.Has("decimals"));
}

TEST(Resolve, AcceptsGlobalOptionsAnywhere) {
  Resolution r =
      ResolveArgs({"--decimals", "2", "clear", "--port", "2", "--machine", "0", "--card", "42"});
  ASSERT_EQ(r.kind, Kind::kRun) << r.error;
  EXPECT_EQ(r.command->path, (Words{"clear"}));
  EXPECT_EQ(r.options.Text("decimals"), "2");
  EXPECT_EQ(r.options.OptionalInt("card"), 42);
}

TEST(Resolve, EveryRequiredOptionMustBeGiven) {
  Resolution r = ResolveArgs({"time", "set", "--port", "1"});
  EXPECT_EQ(r.kind, Kind::kUsageError);
  EXPECT_EQ(r.error, "'time set' needs --machine");
  ASSERT_NE(r.command, nullptr);
  EXPECT_EQ(r.command->path, (Words{"time", "set"}));
}

TEST(Resolve, RejectsUnknownRepeatedAndInvalidOptions) {
  EXPECT_EQ(ResolveArgs({"clear", "--port", "1", "--machine", "5", "--kind", "water"}).error,
            "'clear' has no option --kind");
  EXPECT_EQ(ResolveArgs({"clear", "--port", "1", "--machine", "5", "--force", "1"}).error,
            "unknown option --force");
  EXPECT_EQ(ResolveArgs({"clear", "--port", "1", "--port", "2", "--machine", "5"}).error,
            "--port is given twice");
  EXPECT_EQ(ResolveArgs({"clear", "--port", "0", "--machine", "5"}).error,
            "--port must be between 1 and 255, not 0");
  EXPECT_EQ(ResolveArgs({"clear", "--port", "1", "--machine", "1000"}).error,
            "--machine must be between 0 and 999, not 1000");
  EXPECT_EQ(ResolveArgs({"clear", "--port", "1", "--machine", "5", "--card", "1000000"}).error,
            "--card must be between 0 and 999999, not 1000000");
  EXPECT_EQ(ResolveArgs({"clear", "--port", "1", "--machine", "5", "--decimals", "3"}).error,
            "--decimals must be 1|2, not '3'");
}

TEST(Resolve, HelpWinsOverMissingOptions) {
  Resolution r = ResolveArgs({"time", "get", "--help"});
  EXPECT_EQ(r.kind, Kind::kCommandHelp);
  EXPECT_EQ(r.command->path, (Words{"time", "get"}));
}

TEST(Resolve, GroupsListTheirCommands) {
  Resolution r = ResolveArgs({"time", "--help"});
  EXPECT_EQ(r.kind, Kind::kGroupHelp);
  EXPECT_EQ(r.group, (Words{"time"}));
  EXPECT_EQ(ResolveArgs({"--help"}).kind, Kind::kGroupHelp);
}

TEST(Resolve, IncompleteOrUnknownPathsAreUsageErrors) {
  Resolution group = ResolveArgs({"time", "--port", "1"});
  EXPECT_EQ(group.kind, Kind::kUsageError);
  EXPECT_EQ(group.error, "'time' needs a subcommand");
  EXPECT_EQ(group.group, (Words{"time"}));

  EXPECT_EQ(ResolveArgs({}).error, "no command given");
  EXPECT_EQ(ResolveArgs({"time", "zone"}).error, "unknown command 'time zone'");
  EXPECT_EQ(ResolveArgs({"time", "get", "now"}).error, "unknown command 'time get now'");
  EXPECT_EQ(ResolveArgs({"frobnicate", "--help"}).kind, Kind::kUsageError);
}

TEST(Resolve, SplitErrorsAreUsageErrors) {
  Resolution r = ResolveArgs({"clear", "--port"});
  EXPECT_EQ(r.kind, Kind::kUsageError);
  EXPECT_EQ(r.error, "option --port needs a value");
}

TEST(CommandTable, RowsAreComplete) {
  std::set<std::string> global;
  for (const OptionSpec& option : GlobalOptions()) global.insert(option.name);
  std::set<Words> paths;
  for (const Command& command : AllCommands()) {
    std::string name = JoinPath(command.path);
    EXPECT_FALSE(command.path.empty());
    EXPECT_TRUE(paths.insert(command.path).second) << name << " appears twice";
    EXPECT_NE(command.handler, nullptr) << name;
    EXPECT_FALSE(command.summary.empty()) << name;
    EXPECT_FALSE(command.description.empty()) << name;
    std::set<std::string> names;
    for (const OptionSpec& option : command.options) {
      EXPECT_TRUE(names.insert(option.name).second) << name << " --" << option.name;
      EXPECT_EQ(global.count(option.name), 0u) << name << " shadows --" << option.name;
      EXPECT_NE(option.name, "help") << name;
    }
  }
}

TEST(CommandTable, HoldsTheClockCommands) {
  std::set<Words> paths;
  for (const Command& command : AllCommands()) paths.insert(command.path);
  EXPECT_EQ(paths.count({"time", "get"}), 1u);
  EXPECT_EQ(paths.count({"time", "set"}), 1u);
  EXPECT_EQ(paths.count({"clear"}), 1u);
}

TEST(Resolve, FillsDefaultsAndFlags) {
  Resolution r = ResolveArgs({"card", "read", "--port", "1"});
  ASSERT_EQ(r.kind, Kind::kRun) << r.error;
  EXPECT_EQ(r.options.Integer("sector"), 2);
  EXPECT_EQ(r.options.Integer("block"), 2);
  r = ResolveArgs({"card", "read", "--port", "1", "--block", "0"});
  EXPECT_EQ(r.options.Integer("block"), 0);
  r = ResolveArgs({"list", "clear", "--ex", "--port", "1", "--machine", "5"});
  ASSERT_EQ(r.kind, Kind::kRun) << r.error;
  EXPECT_TRUE(r.options.Has("ex"));
  EXPECT_FALSE(ResolveArgs({"list", "clear", "--port", "1", "--machine", "5"}).options.Has("ex"));
}

TEST(CommandTable, AFlagIsAFlagEverywhere) {
  // The splitter knows flags by name alone, so no command may take a value
  // under a flag's name.
  std::set<std::string> flags;
  std::set<std::string> valued;
  for (const Command& command : AllCommands()) {
    for (const OptionSpec& option : command.options) {
      (option.kind == ValueKind::kFlag ? flags : valued).insert(option.name);
    }
  }
  for (const std::string& flag : flags) EXPECT_EQ(valued.count(flag), 0u) << flag;
}

TEST(CommandTable, EveryDefaultPassesItsOwnCheck) {
  for (const Command& command : AllCommands()) {
    for (const OptionSpec& option : command.options) {
      if (option.default_value.empty()) continue;
      EXPECT_EQ(CheckValue(option, option.default_value), std::nullopt)
          << JoinPath(command.path) << " --" << option.name;
    }
  }
}

TEST(CommandsUnder, MatchesWholeWordsOnly) {
  CommandTable table = {{{"time", "get"}, "", "", {}, nullptr},
                        {{"timer", "set"}, "", "", {}, nullptr},
                        {{"clear"}, "", "", {}, nullptr}};
  EXPECT_EQ(CommandsUnder(table, {"time"}).size(), 1u);
  EXPECT_EQ(CommandsUnder(table, {}).size(), 3u);
  EXPECT_TRUE(CommandsUnder(table, {"tim"}).empty());
}

}  // namespace
}  // namespace icbus::tool
