// card balance, card topup, card refund, card debit, card cancel: the money
// on a card. With one decimal the balance field's unit is chosen on every
// call (--unit); with --decimals 2 it is always hundredths of a yuan.
#include <optional>

#include "cli/report.h"
#include "commands/amount_units.h"
#include "commands/card_results.h"
#include "commands/catalog.h"

namespace icbus::tool {
namespace {

// What a lost or garbled answer to the write leads to, for every change.
const std::string kLostAnswer =
    " When the write fails after it was sent (the writer's answer lost or garbled), the card "
    "is read back: holding the new balance, the change counts as done (exit 0, with a note: "
    "do not repeat it); holding the old balance, nothing changed and a retry is safe; "
    "otherwise read the balance before you retry.";

constexpr const char kTooMuch[] = "value out of range: the new balance would not fit the card";
constexpr const char kTooLittle[] =
    "value out of range: the balance on the card does not cover the amount";

int Mode(const OptionValues& options) { return options.Text("unit") == "hundredths" ? 1 : 0; }

int Decimals(const OptionValues& options) {
  return options.Text("decimals") == "2" || Mode(options) == 1 ? 2 : 1;
}

// The balance field's unit: 10 (tenths) or 100 (fen).
int Scale(const OptionValues& options) { return Decimals(options) == 2 ? 100 : 10; }

// The balance in units, or nothing when the writer could not read it.
std::optional<long long> ReadUnits(const Context& context, const WriterSpot& spot) {
  double balance =
      context.bus.read_balance(spot.port, spot.sector, spot.block, Mode(context.options));
  if (balance < 0) return std::nullopt;
  return UnitsOf(balance, Scale(context.options));
}

// Why the balance could not be read, with the block.
std::string CouldNotRead(const Context& context, const WriterSpot& spot) {
  return CardFailure(ReaderFailureCode(context.bus)) + " (" + Describe(spot) + ")";
}

Outcome Balance(const Context& context) {
  WriterSpot spot = WriterSpotFrom(context.options);
  std::optional<long long> units = ReadUnits(context, spot);
  if (!units) return ReaderOutcome(context.bus, "reading the balance", spot);
  const std::string yuan = UnitsText(*units, Scale(context.options));
  Report(context, yuan, JsonObject().AddRaw("balance", yuan));
  return Outcome::Success();
}

// One change of the purse. `add`: Increase (kind 0 top-up, 1 refund), else
// Decrease (cancel flag); `sign` says what it does to the balance: +1, -1,
// or 0 for emptying it.
struct PurseChange {
  bool add;
  int kind_or_cancel;
  int sign;
  const char* action;        // "the top-up"
  const char* done;          // "topped up"
  const char* out_of_range;  // the reason for code 5
  const char* verb;          // "topup", for --json
};

// With --verify the balance is read before and after; the change is only
// called good when the card holds what it should.
Outcome Verify(const Context& context, const WriterSpot& spot, const PurseChange& change,
               long long before, long long units) {
  const int scale = Scale(context.options);
  long long expected = change.sign == 0 ? 0 : before + change.sign * units;
  std::optional<long long> after = ReadUnits(context, spot);
  if (!after) {
    return Outcome::Failure(
        std::string(change.action) +
        " was written, but reading the balance back failed: " + CouldNotRead(context, spot));
  }
  if (*after != expected) {
    return Outcome::Failure("the balance read back is " + UnitsText(*after, scale) +
                            " yuan, not the " + UnitsText(expected, scale) +
                            " yuan expected after " + change.action + " (" + Describe(spot) + ")");
  }
  if (!WantsJson(context)) {
    context.out << "balance read back: " << UnitsText(*after, scale) << " yuan, as expected\n";
  }
  return Outcome::Success();
}

Outcome Change(const Context& context, const PurseChange& change) {
  WriterSpot spot = WriterSpotFrom(context.options);
  const int scale = Scale(context.options);
  long long units = 0;
  double amount = 0;
  if (change.sign != 0) {
    // A card that keeps tenths would silently lose the fen of the amount.
    const std::string typed = context.options.Text("amount");
    if (auto why = FinerThanUnit(typed, scale, "this card's unit")) return Outcome::Usage(*why);
    units = *TypedFen(typed) / (100 / scale);
    // Nothing to change, yet the card would be written and a top-up counted.
    if (units == 0) {
      return Outcome::Usage("--amount must be more than 0: " + std::string(change.action) +
                            " of nothing would still write the card");
    }
    amount = context.options.Amount("amount");
  }
  const bool verify = context.options.Has("verify");
  std::optional<long long> before;
  if (verify) {
    before = ReadUnits(context, spot);
    if (!before) {
      return Outcome::Failure(std::string("reading the balance before ") + change.action +
                              " failed: " + CouldNotRead(context, spot) + "; nothing was written");
    }
  }
  int mode = Mode(context.options);
  int code = change.add ? context.bus.increase(spot.port, change.kind_or_cancel, spot.sector,
                                               spot.block, amount, mode)
                        : context.bus.decrease(spot.port, change.kind_or_cancel, spot.sector,
                                               spot.block, amount, mode);
  WriteCheck check;
  if (code != 1) {
    check = CheckWrite(context, CardOutcome(code, change.action, spot, change.out_of_range),
                       "balance", change.action);
    if (!check.applied) return check.failure;
  }
  std::string line = change.done;
  if (change.sign != 0) line += " " + UnitsText(units, scale) + " yuan";
  JsonObject json;
  json.Add("operation", change.verb);
  if (change.sign != 0) json.AddRaw("amount", UnitsText(units, scale));
  json.Add("sector", spot.sector).Add("block", spot.block);
  check.AddTo(&json);
  if (verify) {
    long long expected = change.sign == 0 ? 0 : *before + change.sign * units;
    json.AddRaw("balance", UnitsText(expected, scale)).Add("verified", true);
  }
  if (!WantsJson(context)) context.out << line << " (" << Describe(spot) << ")\n";
  if (verify) {
    Outcome checked = Verify(context, spot, change, *before, units);
    if (!checked.ok) return checked;
  }
  if (WantsJson(context)) context.out << json.Text() << "\n";
  return Outcome::Success();
}

Outcome TopUp(const Context& context) {
  return Change(context, {true, 0, +1, "the top-up", "topped up", kTooMuch, "topup"});
}

Outcome Refund(const Context& context) {
  return Change(context, {true, 1, +1, "the refund", "refunded", kTooMuch, "refund"});
}

Outcome Debit(const Context& context) {
  return Change(context, {false, 0, -1, "the debit", "debited", kTooLittle, "debit"});
}

Outcome Cancel(const Context& context) {
  return Change(context,
                {false, 1, 0, "cancelling the card",
                 "card cancelled: balance and top-up count are zero", kTooLittle, "cancel"});
}

OptionSpec UnitOption() {
  return WithDefault(ChoiceOption("unit", {"tenths", "hundredths"},
                                  "unit of the balance field with one decimal (the water "
                                  "controller's cards use hundredths); ignored with --decimals 2"),
                     "tenths");
}

std::vector<OptionSpec> Purse(bool with_amount, bool changes) {
  std::vector<OptionSpec> options = WriterTarget();
  if (with_amount) {
    options.push_back(AmountOption("amount", 99999.99, true,
                                   "the amount; finer than the balance field's unit is refused"));
  }
  options.push_back(UnitOption());
  if (changes) {
    options.push_back(
        FlagOption("verify",
                   "read the balance before and after, and fail unless the card holds the "
                   "balance the change should leave"));
  }
  return options;
}

}  // namespace

CommandTable PurseCommands() {
  return {
      {{"card", "balance"},
       "read the balance of the card on the writer",
       "Prints the balance of the purse block in yuan.",
       Purse(false, false),
       Balance},
      {{"card", "topup"},
       "add money to the card on the writer",
       "Adds the amount to the balance and counts one top-up. Fails without writing when the "
       "new balance would not fit the card, and refuses an amount finer than the balance "
       "field's unit (0.05 yuan on a card that keeps tenths)." +
           kLostAnswer,
       Purse(true, true),
       TopUp},
      {{"card", "refund"},
       "refund money onto the card on the writer",
       "Adds the refunded amount to the balance and counts one top-up, like a top-up." +
           kLostAnswer,
       Purse(true, true),
       Refund},
      {{"card", "debit"},
       "take money off the card on the writer",
       "Takes the amount off the balance and counts one change. Fails without writing when the "
       "balance does not cover it." +
           kLostAnswer,
       Purse(true, true),
       Debit},
      {{"card", "cancel"},
       "cancel the card on the writer: empty its purse",
       "Sets the balance and the top-up count to zero; the card number stays." + kLostAnswer,
       Purse(false, true),
       Cancel},
  };
}

}  // namespace icbus::tool
