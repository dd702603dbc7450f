// card balance, card topup, card refund, card debit, card cancel: the money
// on a card. With one decimal the balance field's unit is chosen on every
// call (--unit); with --decimals 2 it is always hundredths of a yuan.
#include <cstdio>

#include "card_results.h"
#include "catalog.h"

namespace icbus::tool {
namespace {

constexpr const char kTooMuch[] = "value out of range: the new balance would not fit the card";
constexpr const char kTooLittle[] =
    "value out of range: the balance on the card does not cover the amount";

int Mode(const OptionValues& options) { return options.Text("unit") == "hundredths" ? 1 : 0; }

int Decimals(const OptionValues& options) {
  return options.Text("decimals") == "2" || Mode(options) == 1 ? 2 : 1;
}

std::string Yuan(double amount, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, amount);
  return text;
}

Outcome Balance(const Context& context) {
  WriterSpot spot = WriterSpotFrom(context.options);
  double balance =
      context.bus.read_balance(spot.port, spot.sector, spot.block, Mode(context.options));
  if (balance < 0) {
    return Outcome::Failure("reading the balance failed: the card writer could not read " +
                            Describe(spot));
  }
  context.out << Yuan(balance, Decimals(context.options)) << "\n";
  return Outcome::Success();
}

// `kind_or_cancel`: Increase's kind (0 top-up, 1 refund) or Decrease's
// cancel flag.
Outcome Change(const Context& context, bool add, int kind_or_cancel, const std::string& action,
               const std::string& done, const char* out_of_range) {
  WriterSpot spot = WriterSpotFrom(context.options);
  double amount = context.options.Amount("amount");
  int mode = Mode(context.options);
  int code =
      add ? context.bus.increase(spot.port, kind_or_cancel, spot.sector, spot.block, amount, mode)
          : context.bus.decrease(spot.port, kind_or_cancel, spot.sector, spot.block, amount, mode);
  if (code != 1) return CardOutcome(code, action, spot, out_of_range);
  context.out << done << " (" << Describe(spot) << ")\n";
  return Outcome::Success();
}

std::string Amount(const Context& context) { return context.options.Text("amount") + " yuan"; }

Outcome TopUp(const Context& context) {
  return Change(context, true, 0, "the top-up", "topped up " + Amount(context), kTooMuch);
}

Outcome Refund(const Context& context) {
  return Change(context, true, 1, "the refund", "refunded " + Amount(context), kTooMuch);
}

Outcome Debit(const Context& context) {
  return Change(context, false, 0, "the debit", "debited " + Amount(context), kTooLittle);
}

Outcome Cancel(const Context& context) {
  return Change(context, false, 1, "cancelling the card",
                "card cancelled: balance and top-up count are zero", kTooLittle);
}

OptionSpec UnitOption() {
  return WithDefault(ChoiceOption("unit", {"tenths", "hundredths"},
                                  "unit of the balance field with one decimal (the water "
                                  "controller's cards use hundredths); ignored with --decimals 2"),
                     "tenths");
}

std::vector<OptionSpec> Purse(bool with_amount) {
  std::vector<OptionSpec> options = WriterTarget();
  if (with_amount) options.push_back(AmountOption("amount", 99999.99, true, "the amount"));
  options.push_back(UnitOption());
  return options;
}

}  // namespace

CommandTable PurseCommands() {
  return {
      {{"card", "balance"},
       "read the balance of the card on the writer",
       "Prints the balance of the purse block in yuan.",
       Purse(false),
       Balance},
      {{"card", "topup"},
       "add money to the card on the writer",
       "Adds the amount to the balance and counts one top-up. Fails without writing when the "
       "new balance would not fit the card.",
       Purse(true),
       TopUp},
      {{"card", "refund"},
       "refund money onto the card on the writer",
       "Adds the refunded amount to the balance and counts one top-up, like a top-up.",
       Purse(true),
       Refund},
      {{"card", "debit"},
       "take money off the card on the writer",
       "Takes the amount off the balance and counts one change. Fails without writing when the "
       "balance does not cover it.",
       Purse(true),
       Debit},
      {{"card", "cancel"},
       "cancel the card on the writer: empty its purse",
       "Sets the balance and the top-up count to zero; the card number stays.",
       Purse(false),
       Cancel},
  };
}

}  // namespace icbus::tool
