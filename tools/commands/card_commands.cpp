// card read, card write, card issue, card account set, card password get|set,
// card beep: a card's identity through the desktop card writer. Every write
// reads the block first and writes it back with only its own field changed.
#include <optional>

#include "cli/consent.h"
#include "cli/report.h"
#include "commands/amount_units.h"
#include "commands/card_results.h"
#include "commands/catalog.h"

namespace icbus::tool {
namespace {

// The password lies in the purse block with one decimal and in the
// parameter block (block 1) with two, where the purse block's bytes hold
// the wider balance.
int PasswordBlock(const OptionValues& options) { return options.Text("decimals") == "2" ? 1 : 2; }

Outcome Read(const Context& context) {
  WriterSpot spot = WriterSpotFrom(context.options);
  char number[16] = {};
  int code = context.bus.read_card(spot.port, spot.sector, spot.block, number);
  if (code != 1) return CardOutcome(code, "reading the card number", spot);
  Report(context, number, JsonObject().Add("card", std::string(number)));
  return Outcome::Success();
}

Outcome Write(const Context& context) {
  WriterSpot spot = WriterSpotFrom(context.options);
  std::string number = std::to_string(context.options.Integer("number"));
  int code = context.bus.write_card(spot.port, spot.sector, spot.block, number.c_str());
  if (code != 1) return CardOutcome(code, "writing the card number", spot);
  ReportDone(context, "card number " + number + " written to " + Describe(spot));
  return Outcome::Success();
}

// Issuing a card that still holds money gives that money to the new card
// number: most often the wrong card lies on the writer.
std::optional<Outcome> CheckBlankPurse(const Context& context, const WriterSpot& spot,
                                       const std::string& number) {
  if (context.options.Has("yes")) return std::nullopt;
  const int scale = context.options.Text("decimals") == "2" ? 100 : 10;
  double balance = context.bus.read_balance(spot.port, spot.sector, spot.block, 0);
  // A card that cannot be read is left to the issue, which says why.
  if (balance <= 0) return std::nullopt;
  return Consent(context, "the card on the writer holds " +
                              UnitsText(UnitsOf(balance, scale), scale) + " yuan (" +
                              Describe(spot) + "): issuing it as card " + number +
                              " gives that balance to the new number");
}

Outcome Issue(const Context& context) {
  WriterSpot spot = WriterSpotFrom(context.options);
  std::string number = std::to_string(context.options.Integer("number"));
  std::string password = context.options.Text("password");
  // The issue writes the limit in tenths whatever the decimal setting.
  if (auto why = FinerThanUnit(context.options.Text("daily-limit"), 10, "the card's limit unit")) {
    return Outcome::Usage(*why);
  }
  if (auto refused = CheckBlankPurse(context, spot, number)) return *refused;
  int code = context.bus.write_card_ex(spot.port, spot.sector, spot.block, number.c_str(),
                                       password.c_str(), context.options.Amount("daily-limit"));
  if (code != 1) return CardOutcome(code, "issuing the card", spot);
  ReportDone(context, "card " + number + " issued at " + Describe(spot));
  return Outcome::Success();
}

Outcome AccountSet(const Context& context) {
  WriterSpot spot = WriterSpotFrom(context.options);
  std::string account = context.options.Text("account");
  // The block is not read first: whatever it held (the purse block holds
  // the balance, card number and password) is gone after the write.
  if (auto refused = Consent(context, "card account set replaces the whole of " + Describe(spot) +
                                          ", which is not read first: what it holds now is lost")) {
    return *refused;
  }
  int code = context.bus.write_card_account_no(spot.port, spot.sector, spot.block, account.c_str());
  if (code != 1) return CardOutcome(code, "writing the account number", spot);
  ReportDone(context, "account number " + account + " written to " + Describe(spot));
  return Outcome::Success();
}

Outcome PasswordGet(const Context& context) {
  WriterSpot spot = WriterSpotFrom(context.options, PasswordBlock(context.options));
  char password[16] = {};
  int code = context.bus.read_card_pass(spot.port, spot.sector, spot.block, password);
  if (code != 1) return CardOutcome(code, "reading the card password", spot);
  Report(context, password, JsonObject().Add("password", std::string(password)));
  return Outcome::Success();
}

Outcome PasswordSet(const Context& context) {
  WriterSpot spot = WriterSpotFrom(context.options, PasswordBlock(context.options));
  int code = context.bus.write_card_pass(spot.port, spot.sector, spot.block,
                                         context.options.Text("password").c_str());
  if (code != 1) return CardOutcome(code, "writing the card password", spot);
  ReportDone(context, "card password written to " + Describe(spot));
  return Outcome::Success();
}

Outcome Beep(const Context& context) {
  int port = static_cast<int>(context.options.Integer("port"));
  bool success = context.options.Text("pattern") == "success";
  // The writer's answers to a beep are not reported by the library.
  context.bus.beep_ax(port, success ? 0 : 1);
  ReportDone(context, std::string(success ? "success" : "failure") +
                          " beep sent to the card writer on port " + std::to_string(port));
  return Outcome::Success();
}

OptionSpec NumberOption() {
  return IntegerOption("number", "N", 0, 1048575, true, "the card number, 0 to 1048575");
}

OptionSpec PasswordOption() {
  return TextOption("password", "DDDDD", TextCheck::kDigits, 5, 5, true,
                    "the card password, five digits");
}

std::vector<OptionSpec> At(std::vector<OptionSpec> more) {
  std::vector<OptionSpec> options = WriterTarget();
  options.insert(options.end(), more.begin(), more.end());
  return options;
}

// --block defaults to the block that holds the password in the layout.
std::vector<OptionSpec> AtPassword(std::vector<OptionSpec> more) {
  std::vector<OptionSpec> options = {PortOption(), SectorOption(), BlockOption()};
  options.back().default_value.clear();
  options.back().help += " (default 2, or 1 with --decimals 2)";
  options.insert(options.end(), more.begin(), more.end());
  return options;
}

}  // namespace

CommandTable CardCommands() {
  OptionSpec pattern =
      ChoiceOption("pattern", {"success", "failure"}, "one beep (success) or two (failure)");
  pattern.required = true;
  return {
      {{"card", "read"},
       "read the card number of the card on the writer",
       "Reads the card number from the purse block and prints it with at least six digits.",
       WriterTarget(),
       Read},
      {{"card", "write"},
       "write a card number onto the card on the writer",
       "Writes the card number into the purse block; the rest of the block stays as it was.",
       At({NumberOption()}),
       Write},
      {{"card", "issue"},
       "issue a card: number, password and daily limit in one write",
       "Writes the card number, the password and the daily spending limit into the purse "
       "block in one go. The limit is stored in tenths of a yuan in the one-decimal places "
       "whatever --decimals says. The balance is read first: a card that still holds money is "
       "issued only after a yes at the terminal, or with --yes.",
       At({NumberOption(), PasswordOption(),
           AmountOption("daily-limit", 6553.5, true, "daily spending limit, at most 6553.5"),
           YesOption("issue without reading the balance first")}),
       Issue},
      {{"card", "account", "set"},
       "write an account number over a whole block",
       "Replaces the whole block with the account number followed by thirteen zeros; the block "
       "is not read first. Nineteen digits fill the block. Asks before writing, naming the "
       "block; without a terminal to ask on, --yes is needed.",
       At({TextOption("account", "HEX", TextCheck::kHex, 1, 19, true,
                      "the account number, 1 to 19 hexadecimal digits"),
           YesOption("write without asking")}),
       AccountSet},
      {{"card", "password", "get"},
       "read the card password",
       "Reads the five-digit card password: from the purse block with one decimal, from the "
       "parameter block (block 1) with --decimals 2.",
       AtPassword({}),
       PasswordGet},
      {{"card", "password", "set"},
       "write the card password",
       "Writes the five-digit card password: into the purse block with one decimal, into the "
       "parameter block (block 1) with --decimals 2.",
       AtPassword({PasswordOption()}),
       PasswordSet},
      {{"card", "beep"},
       "make the card writer beep",
       "Makes the card writer beep once (success) or twice (failure).",
       {PortOption(), pattern},
       Beep},
  };
}

}  // namespace icbus::tool
