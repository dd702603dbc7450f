// The card writer and top-up commands: which export each command line
// reaches, the sector and block defaults, and the card result codes in words.
#include <gtest/gtest.h>

#include "tool_fixture.h"

namespace icbus::tool {
namespace {

std::vector<std::string> Card(std::vector<std::string> words, std::vector<std::string> more = {}) {
  words.insert(words.begin(), "card");
  words.push_back("--port");
  words.push_back("1");
  words.insert(words.end(), more.begin(), more.end());
  return words;
}

const char kSpot[] = "sector 2 block 2 on the card writer on port 1";

TEST(CardCommands, IdentityReachesItsExports) {
  ExpectCalls({
      {Card({"read"}), {"ReadCard(1, 2, 2)"}, "000123\n"},
      {Card({"read"}, {"--sector", "0", "--block", "1"}), {"ReadCard(1, 0, 1)"}, "000123\n"},
      {Card({"write"}, {"--number", "000123"}),
       {"WriteCard(1, 2, 2, \"123\")"},
       std::string("card number 123 written to ") + kSpot + "\n"},
      {Card({"issue"},
            {"--number", "1048575", "--password", "01234", "--daily-limit", "20", "--yes"}),
       {"WriteCardEx(1, 2, 2, \"1048575\", \"01234\", 20)"},
       std::string("card 1048575 issued at ") + kSpot + "\n"},
      {Card({"account", "set"},
            {"--account", "1234567890ABCDEF123", "--sector", "24", "--block", "3", "--yes"}),
       {"WriteCardAccountNo(1, 24, 3, \"1234567890ABCDEF123\")"},
       "account number 1234567890ABCDEF123 written to sector 24 block 3 on the card writer on "
       "port 1\n"},
      {Card({"password", "get"}), {"ReadCardPass(1, 2, 2)"}, "12345\n"},
      // With two decimals the password lives in the parameter block.
      {Card({"password", "get"}, {"--decimals", "2"}),
       {"SetDecLen(\"2\")", "ReadCardPass(1, 2, 1)"},
       "12345\n"},
      {Card({"password", "set"}, {"--password", "54321", "--decimals", "2", "--block", "3"}),
       {"SetDecLen(\"2\")", "WriteCardPass(1, 2, 3, \"54321\")"},
       "card password written to sector 2 block 3 on the card writer on port 1\n"},
      {Card({"beep"}, {"--pattern", "failure"}),
       {"BeepAX(1, 1)"},
       "failure beep sent to the card writer on port 1\n"},
      {Card({"beep"}, {"--pattern", "success"}),
       {"BeepAX(1, 0)"},
       "success beep sent to the card writer on port 1\n"},
  });
}

TEST(CardCommands, PurseReachesItsExports) {
  ExpectCalls({
      {Card({"balance"}), {"ReadBalance(1, 2, 2, 0)"}, "12.5\n"},
      {Card({"balance"}, {"--unit", "hundredths"}), {"ReadBalance(1, 2, 2, 1)"}, "12.50\n"},
      {Card({"balance"}, {"--decimals", "2"}),
       {"SetDecLen(\"2\")", "ReadBalance(1, 2, 2, 0)"},
       "12.50\n"},
      {Card({"topup"}, {"--amount", "1.15", "--unit", "hundredths"}),
       {"Increase(1, 0, 2, 2, 1.15, 1)"},
       std::string("topped up 1.15 yuan (") + kSpot + ")\n"},
      {Card({"topup"}, {"--amount", "1.10"}),
       {"Increase(1, 0, 2, 2, 1.1, 0)"},
       std::string("topped up 1.1 yuan (") + kSpot + ")\n"},
      {Card({"refund"}, {"--amount", "3"}),
       {"Increase(1, 1, 2, 2, 3, 0)"},
       std::string("refunded 3.0 yuan (") + kSpot + ")\n"},
      {Card({"debit"},
            {"--amount", "2.5", "--unit", "hundredths", "--sector", "0", "--block", "1"}),
       {"Decrease(1, 0, 0, 1, 2.5, 1)"},
       "debited 2.50 yuan (sector 0 block 1 on the card writer on port 1)\n"},
      {Card({"cancel"}),
       {"Decrease(1, 1, 2, 2, 0, 0)"},
       std::string("card cancelled: balance and top-up count are zero (") + kSpot + ")\n"},
  });
}

TEST(CardCommands, LimitsReachTheirExports) {
  ExpectCalls({
      {Card({"limit", "daily", "get"}), {"ReadCardMaxConsume(1, 2, 2)"}, "12.5\n"},
      {Card({"limit", "daily", "set"}, {"--limit", "20"}),
       {"WriteCardMaxConsume(1, 2, 2, 20)"},
       std::string("daily limit 20 yuan written to ") + kSpot + "\n"},
      // The per-meal limit sits in the parameter block unless told otherwise.
      {Card({"limit", "meals", "get"}), {"ReadCardMaxCC(1, 2, 1)"}, "1\n"},
      {Card({"limit", "meals", "set"}, {"--value", "255"}),
       {"WriteCardMaxCC(1, 2, 1, 255)"},
       "per-meal limit 255 written to sector 2 block 1 on the card writer on port 1\n"},
      {Card({"count", "get"}, {"--block", "0"}), {"ReadCardAddCount(1, 2, 0)"}, "1\n"},
      {Card({"count", "set"}, {"--value", "258"}),
       {"WriteCardAddCount(1, 2, 2, 258)"},
       std::string("top-up count 258 written to ") + kSpot + "\n"},
  });
}

TEST(CardCommands, ResultCodesBecomeReasons) {
  const std::string at = std::string(" (") + kSpot + ")";
  ExpectFailures({
      {Card({"read"}), 0,
       "reading the card number failed: the card writer gave no complete answer" + at},
      {Card({"read"}), -1,
       "reading the card number failed: the card writer could not be reached (port not opened, "
       "or the exchange failed)" +
           at},
      {Card({"write"}, {"--number", "1"}), 2,
       "writing the card number failed: no single card on the writer" + at},
      {Card({"password", "set"}, {"--password", "12345"}), 3,
       "writing the card password failed: the sector key does not match the card; load the "
       "card's key into the writer with 'icbus machine writer-key set'" +
           at},
      {Card({"issue"}, {"--number", "1", "--password", "12345", "--daily-limit", "1", "--yes"}), 4,
       "issuing the card failed: the writer could not read or write the block" + at},
      {Card({"topup"}, {"--amount", "1"}), 5,
       "the top-up failed: value out of range: the new balance would not fit the card" + at},
      {Card({"debit"}, {"--amount", "1"}), 5,
       "the debit failed: value out of range: the balance on the card does not cover the "
       "amount" +
           at},
      {Card({"count", "set"}, {"--value", "1"}), 5,
       "writing the top-up count failed: value out of range" + at},
      {Card({"limit", "daily", "set"}, {"--limit", "6000"}), 5,
       "writing the daily limit failed: value out of range: the limit does not fit the card "
       "(at most 6553.5, or 167772.15 with --decimals 2)" +
           at},
      {Card({"account", "set"}, {"--account", "1", "--yes"}), 7,
       "writing the account number failed: the library answered 7" + at},
      {Card({"balance"}), -1,
       "reading the balance failed: the card writer could not be reached (port not opened, or "
       "the exchange failed)" +
           at},
      {Card({"limit", "meals", "get"}), -1,
       "reading the per-meal limit failed: the card writer could not be reached (port not "
       "opened, or the exchange failed) (sector 2 block 1 on the card writer on port 1)"},
  });
}

// A write that failed after it went out: the card read back decides.
struct LostAnswerRow {
  std::vector<std::string> args;
  const char* write;  // the export that fails
  int check;          // what icbus_check_card_write finds
  std::string out, err;
};

TEST(CardCommands, AFailedWriteIsReadBackBeforeItIsReported) {
  const std::string silent = "the card writer on port 1 (/dev/ttyS0) did not answer";
  const std::string applied = "icbus: note: " + silent +
                              "; but the card read back holds the new balance: the top-up was "
                              "applied; do not repeat it\n";
  const std::string old =
      "; the card read back holds the old balance: nothing was changed, it "
      "is safe to retry";
  const std::vector<LostAnswerRow> rows = {
      {Card({"topup"}, {"--amount", "10"}), "Increase", 1,
       std::string("topped up 10.0 yuan (") + kSpot + ")\n", applied},
      {Card({"topup"}, {"--amount", "10", "--json"}), "Increase", 1,
       R"({"operation":"topup","amount":10.0,"sector":2,"block":2,"write":"applied"})"
       "\n",
       applied},
      {Card({"debit"}, {"--amount", "10"}), "Decrease", 0, "", "icbus: " + silent + old + "\n"},
      {Card({"limit", "meals", "set"}, {"--value", "3"}), "WriteCardMaxCC", -1, "",
       "icbus: " + silent +
           "; reading the card back did not tell (it could not be read, or another card lies on "
           "the writer): read the per-meal limit before you retry\n"},
      // The write's own code and message stand, not the read-back's.
      {Card({"cancel"}, {"--json"}), "Decrease", 0, "",
       R"({"port":1,"ok":false,"error":")" + silent + old +
           R"(","write":"not applied","code":8,"message":")" + silent + "\"}\n"},
  };
  for (const LostAnswerRow& row : rows) {
    SCOPED_TRACE(Typed(row.args));
    FakeBus bus;
    bus.results[row.write] = 0;
    bus.error = ICBUS_ERR_SILENT;
    bus.error_message = silent;
    bus.card_write_check = row.check;
    bus.check_error = row.check == 1 ? ICBUS_ERR_NONE : ICBUS_ERR_CARD_NO_SINGLE;
    Ran ran = RunTool(row.args, &bus);
    EXPECT_EQ(ran.code, row.out.empty() ? 1 : 0);
    EXPECT_EQ(ran.out, row.out);
    EXPECT_EQ(ran.err, row.err);
    EXPECT_EQ(ran.calls.back(), "icbus_check_card_write()");
  }
}

TEST(CardCommands, ValuesAreCheckedBeforeSending) {
  ExpectUsageErrors({
      {Card({"read"}, {"--sector", "25"}), "--sector must be between 0 and 24, not 25"},
      {Card({"read"}, {"--block", "4"}), "--block must be between 0 and 3, not 4"},
      {Card({"write"}, {"--number", "1048576"}),
       "--number must be between 0 and 1048575, not 1048576"},
      {Card({"password", "set"}, {"--password", "1234"}),
       "--password must have 5 digits, not 4: '1234'"},
      {Card({"topup"}, {"--amount", "-1"}),
       "--amount needs an amount in yuan such as 12.5, not '-1'"},
      {Card({"topup"}, {"--amount", "1e3"}),
       "--amount needs an amount in yuan such as 12.5, not '1e3'"},
      {Card({"issue"}, {"--number", "1", "--password", "12345", "--daily-limit", "6553.6"}),
       "--daily-limit must be at most 6553.50, not 6553.6"},
      {Card({"limit", "daily", "set"}, {"--limit", "7000"}),
       "--limit must be at most 6553.5 yuan with one decimal (167772.15 with --decimals 2), not "
       "7000"},
      {Card({"limit", "meals", "set"}, {"--value", "256"}),
       "--value must be between 0 and 255, not 256"},
      {Card({"count", "set"}, {"--value", "65536"}),
       "--value must be between 0 and 65535, not 65536"},
      {Card({"account", "set"}, {"--account", "12345678901234567890"}),
       "--account must have 1 to 19 digits, not 20: '12345678901234567890'"},
      {Card({"balance"}, {"--unit", "fen"}), "--unit must be tenths|hundredths, not 'fen'"},
      // A zero change would still write the card and count a top-up.
      {Card({"topup"}, {"--amount", "0"}),
       "--amount must be more than 0: the top-up of nothing would still write the card"},
      {Card({"debit"}, {"--amount", "0.00"}),
       "--amount must be more than 0: the debit of nothing would still write the card"},
      // Nothing reads the block before it is replaced: no terminal, no --yes, no write.
      {Card({"account", "set"}, {"--account", "1"}),
       "card account set replaces the whole of sector 2 block 2 on the card writer on port 1, "
       "which is not read first: what it holds now is lost; give --yes to go on (there is no "
       "terminal to ask on)"},
  });
}

// The readers of numbers answer only -1; the library's last error says
// whether no card lay on the writer or its key did not match.
TEST(CardCommands, FailedReadingsKeepTheWritersReason) {
  const std::string at = std::string(" (") + kSpot + ")";
  struct Row {
    std::vector<std::string> args;
    int error;
    std::string message;
  } rows[] = {
      {Card({"balance"}), ICBUS_ERR_CARD_NO_SINGLE,
       "reading the balance failed: no single card on the writer" + at},
      {Card({"balance"}), ICBUS_ERR_CARD_KEY,
       "reading the balance failed: the sector key does not match the card; load the card's "
       "key into the writer with 'icbus machine writer-key set'" +
           at},
      {Card({"topup"}, {"--amount", "1", "--verify"}), ICBUS_ERR_CARD_NO_SINGLE,
       "reading the balance before the top-up failed: no single card on the writer" + at +
           "; nothing was written"},
  };
  for (const Row& row : rows) {
    FakeBus bus;
    bus.amount = -1;
    bus.result = -1;
    bus.error = row.error;
    Ran ran = RunTool(row.args, &bus);
    EXPECT_EQ(ran.code, 1) << Typed(row.args);
    EXPECT_EQ(ran.err, "icbus: " + row.message + "\n") << Typed(row.args);
  }
}

std::vector<std::string> TopUp(std::vector<std::string> more) {
  std::vector<std::string> args = {"topup", "send",   "--port", "1",      "--machine",
                                   "7",     "--card", "1",      "--mgmt", "123456"};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(TopUpCommands, SendsTheOrderWithTheNameInGbk) {
  ExpectCalls({
      {TopUp({"--mode", "add", "--amount", "12.3", "--name", "王一"}),
       {"icbus_name_drawable(\"\xcd\xf5\xd2\xbb\")",
        "TransmitATM(1, 7, 1, 1, 12.3, \"\xcd\xf5\xd2\xbb\", 123456)"},
       "order for card 1 taken: 12.3 yuan added to the balance\n"},
      {TopUp({"--mode", "overwrite", "--amount", "0", "--name", "王"}),
       {"icbus_name_drawable(\"\xcd\xf5\")", "TransmitATM(1, 7, 1, 0, 0, \"\xcd\xf5\", 123456)"},
       "order for card 1 taken: 0.0 yuan replacing the balance\n"},
  });
  ExpectFailures({{TopUp({"--mode", "add", "--amount", "1", "--name", "王"}), 0,
                   "top-up machine 7 on port 1 did not confirm the order"}});
}

TEST(TopUpCommands, RefusesNamesThatCannotBeDrawn) {
  ExpectUsageErrors({
      {TopUp({"--mode", "add", "--amount", "1", "--name", "Wang"}),
       "--name takes Chinese characters only, not 'Wang'"},
      {TopUp({"--mode", "add", "--amount", "1", "--name", "王一二三"}),
       "--name must have at most 6 bytes in GBK, not 8: '王一二三'"},
      {TopUp({"--mode", "add", "--amount", "1", "--name", "\xe2\x82\xac"}),
       "--name takes Chinese characters only, not '\xe2\x82\xac'"},
      {TopUp({"--mode", "add", "--amount", "1", "--name", "\xff"}),
       "--name is not valid UTF-8: '\\xFF'; give the text in UTF-8"},
      // Blank glyph cells, and Latin letters that GBK keeps in two bytes.
      {TopUp({"--mode", "add", "--amount", "1", "--name", ""}),
       "--name may not be empty: give at least one Chinese character"},
      {TopUp({"--mode", "add", "--amount", "1", "--name", "\xc3\xa9"}),
       "--name takes Chinese characters only, not '\xc3\xa9'"},
      {TopUp({"--mode", "add", "--amount", "6553.6", "--name", "王"}),
       "--amount must be at most 6553.50, not 6553.6"},
      {TopUp({"--mode", "credit", "--amount", "1", "--name", "王"}),
       "--mode must be add|overwrite, not 'credit'"},
  });
}

}  // namespace
}  // namespace icbus::tool
