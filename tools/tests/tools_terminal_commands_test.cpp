// The card-list, identity and state commands: which export each command line
// reaches, with which arguments, and what the tool prints.
#include <gtest/gtest.h>

#include "icbus_version.h"
#include "tool_fixture.h"

namespace icbus::tool {
namespace {

const std::vector<std::string> kAt = {"--port", "1", "--machine", "5"};

std::vector<std::string> Args(std::vector<std::string> words, std::vector<std::string> more = {}) {
  words.insert(words.end(), kAt.begin(), kAt.end());
  words.insert(words.end(), more.begin(), more.end());
  return words;
}

TEST(ListCommands, ReachTheirExports) {
  ExpectCalls({
      {Args({"list", "add"}, {"--entry", "123456"}),
       {"SetOpenCard(1, 5, \"123456\")"},
       "123456 added to the first list of terminal 5 on port 1\n"},
      {Args({"list", "add"}, {"--entry", "123456654321", "--ex"}),
       {"SetOpenCardEx(1, 5, \"123456654321\")"},
       "123456654321 added to the second list of terminal 5 on port 1\n"},
      {Args({"list", "remove"}, {"--entry", "000042"}),
       {"DelOpenCard(1, 5, \"000042\")"},
       "000042 removed from the first list of terminal 5 on port 1\n"},
      // A flag may stand between the words and leaves the next word alone.
      {Args({"list", "--ex", "remove"}, {"--entry", "000042"}),
       {"DelOpenCardEx(1, 5, \"000042\")"},
       "000042 removed from the second list of terminal 5 on port 1\n"},
      {Args({"list", "clear"}),
       {"ClearOpenCard(1, 5)"},
       "first list of terminal 5 on port 1 emptied\n"},
      {Args({"list", "clear"}, {"--ex"}),
       {"ClearOpenCardEx(1, 5)"},
       "second list of terminal 5 on port 1 emptied\n"},
      {Args({"list", "query"}, {"--entry", "123456"}),
       {"QueryCard(1, 5, \"123456\")"},
       "123456: listed\n"},
  });
}

TEST(ListCommands, QueryTellsNoFromFailure) {
  FakeBus bus;
  bus.result = 0;
  Ran no = RunTool(Args({"list", "query"}, {"--entry", "123456"}), &bus);
  EXPECT_EQ(no.code, 0);
  EXPECT_EQ(no.out, "123456: not listed\n");
  bus.result = -1;
  Ran failed = RunTool(Args({"list", "query"}, {"--entry", "123456"}), &bus);
  EXPECT_EQ(failed.code, 1);
  EXPECT_EQ(failed.err, "icbus: terminal 5 on port 1 did not answer the query\n");
}

TEST(ListCommands, RefusalsAreFailures) {
  ExpectFailures({
      {Args({"list", "add"}, {"--entry", "123456", "--ex"}), 0,
       "terminal 5 on port 1 did not confirm adding 123456 to its second list"},
      {Args({"list", "remove"}, {"--entry", "123456"}), 0,
       "terminal 5 on port 1 did not confirm removing 123456 from its first list"},
      {Args({"list", "clear"}), 0, "terminal 5 on port 1 did not confirm emptying its first list"},
  });
}

TEST(ListCommands, EntriesAreCheckedBeforeSending) {
  ExpectUsageErrors({
      {Args({"list", "add"}), "'list add' needs --entry"},
      {Args({"list", "add"}, {"--entry", "12345a"}), "--entry takes digits only, not '12345a'"},
      {Args({"list", "add"}, {"--entry", "1234567890123456789012"}),
       "--entry must have 1 to 21 digits, not 22: '1234567890123456789012'"},
      {Args({"list", "add"}, {"--entry", ""}), "--entry must have 1 to 21 digits, not 0: ''"},
      // A terminal keeps six-digit card numbers, or twelve digits with the password.
      {Args({"list", "add"}, {"--entry", "123"}),
       "--entry takes 6 digits (a card number) or 12 (the card number and its six-digit "
       "password, on an attendance terminal), not 3: '123'"},
      {Args({"list", "query"}, {"--entry", "1234567890123"}),
       "--entry takes 6 digits (a card number) or 12 (the card number and its six-digit "
       "password, on an attendance terminal), not 13: '1234567890123'"},
      {Args({"list", "add"}, {"--entry", "1", "--ex=yes"}), "option --ex takes no value"},
      {Args({"list", "query"}, {"--entry", "1", "--ex"}), "'list query' has no option --ex"},
  });
}

TEST(MachineCommands, ReachTheirExports) {
  ExpectCalls({
      {{"machine", "number", "set", "--port", "1", "--number", "001K", "--yes"},
       {"SetMachNo(1, \"001K\")"},
       "the terminal on port 1 took the machine number 001K\n"},
      {{"machine", "master-card", "set", "--port", "2", "--number", "654321", "--yes"},
       {"SetMasterCard(2, \"654321\")"},
       "the terminal on port 2 took the management card 654321\n"},
      {Args({"machine", "master-card", "set"}, {"--number", "654321", "--card", "123456"}),
       {"SetMasterCardA(1, 5, \"654321\", 123456)"},
       "management card of terminal 5 (card 123456) on port 1 changed to 654321\n"},
      {{"machine", "password", "set", "--port", "1", "--password", "0123456789AB", "--yes"},
       {"SetPass(1, \"0123456789AB\")"},
       "the terminal on port 1 took the new IC-card password\n"},
      {{"machine", "password", "cancel", "--port", "1", "--password", "ffffffffffff", "--yes"},
       {"Log_onPass(1, \"ffffffffffff\")"},
       "the terminal on port 1 took the cancellation of its IC-card password\n"},
      {{"machine", "writer-key", "set", "--port", "3", "--key", "A0A1A2A3A4A5"},
       {"SetPassA(3, \"A0A1A2A3A4A5\")"},
       "sector key loaded into the card writer on port 3\n"},
      {Args({"machine", "reader-mode", "set"}),
       {"SetMachRead(1, 5)"},
       "terminal 5 on port 1 is now a card reader/writer\n"},
      {Args({"machine", "style", "get"}),
       {"GetMachStyle(1, 5)"},
       "1 (account-opening: the first list holds opened cards)\n"},
      {Args({"machine", "style", "set"}, {"--style", "0"}),
       {"SetMachStyle(1, 5, 0)"},
       "style of terminal 5 on port 1 set to 0 (loss-reporting: the first list holds lost "
       "cards)\n"},
      {Args({"machine", "state"}), {"GetState(1, 5)"}, "in service\n"},
      {Args({"machine", "pause"}), {"SetPause(1, 5, 1)"}, "terminal 5 on port 1 out of service\n"},
      {Args({"machine", "resume"}),
       {"SetPause(1, 5, 0)"},
       "terminal 5 on port 1 back in service\n"},
      {{"version"}, {"icbus_version()"}, "icbus " ICBUS_VERSION_STRING " (library 9.8.7)\n"},
  });
}

TEST(MachineCommands, ReadingsKeepZeroApartFromFailure) {
  FakeBus bus;
  bus.result = 0;
  EXPECT_EQ(RunTool(Args({"machine", "state"}), &bus).out, "out of service\n");
  EXPECT_EQ(RunTool(Args({"machine", "style", "get"}), &bus).out,
            "0 (loss-reporting: the first list holds lost cards)\n");
  bus.result = 7;
  EXPECT_EQ(RunTool(Args({"machine", "style", "get"}), &bus).out, "7\n");
  ExpectFailures({
      {Args({"machine", "state"}), -1, "terminal 5 on port 1 did not report its state"},
      {Args({"machine", "style", "get"}), -1, "terminal 5 on port 1 did not report its style"},
      {Args({"machine", "pause"}), 0, "terminal 5 on port 1 did not confirm going out of service"},
      {Args({"machine", "resume"}), 0, "terminal 5 on port 1 did not confirm going into service"},
      {{"machine", "number", "set", "--port", "1", "--number", "001K", "--yes"},
       0,
       "no terminal on port 1 confirmed the machine number 001K (or more than one answered at "
       "once)"},
      {{"machine", "writer-key", "set", "--port", "1", "--key", "A0A1A2A3A4A5"},
       0,
       "the card writer on port 1 did not confirm the key"},
  });
}

TEST(MachineCommands, TextsAreCheckedBeforeSending) {
  ExpectUsageErrors({
      {{"machine", "number", "set", "--port", "1", "--number", "01K"},
       "--number must have 4 bytes in GBK, not 3: '01K'"},
      {{"machine", "number", "set", "--port", "1", "--number", "0A1K"},
       "--number must be three digits and a type letter, such as 001K, not '0A1K'"},
      {{"machine", "master-card", "set", "--port", "1", "--number", "65432"},
       "--number must have 6 digits, not 5: '65432'"},
      {Args({"machine", "master-card", "set"}, {"--number", "654321"}),
       "--machine and --card go together: the terminal is addressed with its current "
       "management card"},
      {{"machine", "password", "set", "--port", "1", "--password", "0123456789AG"},
       "--password takes hexadecimal digits only, not '0123456789AG'"},
      {{"machine", "writer-key", "set", "--port", "1", "--key", "0123456789ABC"},
       "--key must have 12 digits, not 13: '0123456789ABC'"},
      {Args({"machine", "style", "set"}, {"--style", "5"}),
       "--style 5 is not a style: it would read the style"},
      {Args({"machine", "style", "set"}, {"--style", "10"}),
       "--style must be between 0 and 9, not 10"},
  });
}

}  // namespace
}  // namespace icbus::tool
