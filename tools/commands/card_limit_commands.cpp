// card limit daily get|set, card limit meals get|set, card count get|set:
// the fields that limit or count what a card does at the terminals.
#include "cli/report.h"
#include "commands/amount_units.h"
#include "commands/card_results.h"
#include "commands/catalog.h"

namespace icbus::tool {
namespace {

// The per-meal limit lies in the parameter block, block 1 of the sector:
// byte 0 of the purse block is the card number's.
constexpr int kParameterBlock = 1;

const std::string kLostLimitAnswer =
    "When the write fails after it was sent, the card is read back: holding the new value, "
    "the write counts as done (with a note); holding the old one, nothing changed and a retry "
    "is safe.";

// ReportDone, with what a read-back after a failed write found.
void Written(const Context& context, const std::string& text, const WriteCheck& check) {
  JsonObject json;
  json.Add("ok", true).Add("message", text);
  check.AddTo(&json);
  Report(context, text, json);
}

Outcome DailyGet(const Context& context) {
  WriterSpot spot = WriterSpotFrom(context.options);
  double limit = context.bus.read_card_max_consume(spot.port, spot.sector, spot.block);
  if (limit < 0) return ReaderOutcome(context.bus, "reading the daily limit", spot);
  const int scale = context.options.Text("decimals") == "2" ? 100 : 10;
  const std::string yuan = UnitsText(UnitsOf(limit, scale), scale);
  Report(context, yuan, JsonObject().AddRaw("daily_limit", yuan));
  return Outcome::Success();
}

constexpr double kMostTenths = 6553.5;

Outcome DailySet(const Context& context) {
  WriterSpot spot = WriterSpotFrom(context.options);
  const std::string typed = context.options.Text("limit");
  // With one decimal the field keeps tenths; what lies below would be lost.
  if (context.options.Text("decimals") != "2") {
    if (auto why = FinerThanUnit(typed, 10, "the card's limit unit")) return Outcome::Usage(*why);
    // The field holds 65535 units: tenths reach 6553.5 yuan. The library
    // would refuse more as well, but as a card failure.
    if (context.options.Amount("limit") > kMostTenths) {
      return Outcome::Usage(
          "--limit must be at most 6553.5 yuan with one decimal (167772.15 with "
          "--decimals 2), not " +
          typed);
    }
  }
  int code = context.bus.write_card_max_consume(spot.port, spot.sector, spot.block,
                                                context.options.Amount("limit"));
  WriteCheck check;
  if (code != 1) {
    check = CheckWrite(
        context,
        CardOutcome(code, "writing the daily limit", spot,
                    "value out of range: the limit does not fit the card (at most 6553.5, "
                    "or 167772.15 with --decimals 2)"),
        "daily limit", "the write");
    if (!check.applied) return check.failure;
  }
  Written(context, "daily limit " + typed + " yuan written to " + Describe(spot), check);
  return Outcome::Success();
}

using ReadNumber = int(ICBUS_CALL*)(int port, int sector, int block);
using WriteNumber = int(ICBUS_CALL*)(int port, int sector, int block, int value);

Outcome GetNumber(const Context& context, ReadNumber read, int default_block,
                  const std::string& what, const std::string& json_key) {
  WriterSpot spot = WriterSpotFrom(context.options, default_block);
  int value = read(spot.port, spot.sector, spot.block);
  if (value < 0) return ReaderOutcome(context.bus, "reading the " + what, spot);
  Report(context, std::to_string(value), JsonObject().Add(json_key, value));
  return Outcome::Success();
}

Outcome SetNumber(const Context& context, WriteNumber write, int default_block,
                  const std::string& what) {
  WriterSpot spot = WriterSpotFrom(context.options, default_block);
  int value = static_cast<int>(context.options.Integer("value"));
  int code = write(spot.port, spot.sector, spot.block, value);
  WriteCheck check;
  if (code != 1) {
    check = CheckWrite(context, CardOutcome(code, "writing the " + what, spot), what, "the write");
    if (!check.applied) return check.failure;
  }
  Written(context, what + " " + std::to_string(value) + " written to " + Describe(spot), check);
  return Outcome::Success();
}

Outcome MealsGet(const Context& context) {
  return GetNumber(context, context.bus.read_card_max_cc, kParameterBlock, "per-meal limit",
                   "meal_limit");
}
Outcome MealsSet(const Context& context) {
  return SetNumber(context, context.bus.write_card_max_cc, kParameterBlock, "per-meal limit");
}
Outcome CountGet(const Context& context) {
  return GetNumber(context, context.bus.read_card_add_count, 2, "top-up count", "topup_count");
}
Outcome CountSet(const Context& context) {
  return SetNumber(context, context.bus.write_card_add_count, 2, "top-up count");
}

std::vector<OptionSpec> At(int default_block, std::vector<OptionSpec> more) {
  std::vector<OptionSpec> options = WriterTarget();
  options.back().default_value = std::to_string(default_block);
  options.insert(options.end(), more.begin(), more.end());
  return options;
}

}  // namespace

CommandTable CardLimitCommands() {
  return {
      {{"card", "limit", "daily", "get"},
       "read the card's daily spending limit",
       "Prints the daily spending limit of the purse block in yuan.",
       At(2, {}),
       DailyGet},
      {{"card", "limit", "daily", "set"},
       "write the card's daily spending limit",
       "Writes the daily spending limit into the purse block: tenths of a yuan with one "
       "decimal, hundredths (rounded up) with --decimals 2. " +
           kLostLimitAnswer,
       At(2, {AmountOption("limit", 167772.15, true, "the daily limit")}),
       DailySet},
      {{"card", "limit", "meals", "get"},
       "read the card's per-meal count limit",
       "Prints the per-meal count limit kept in the parameter block (block 1 by default).",
       At(kParameterBlock, {}),
       MealsGet},
      {{"card", "limit", "meals", "set"},
       "write the card's per-meal count limit",
       "Writes the per-meal count limit, 0 to 255, into the parameter block (block 1 by "
       "default). " +
           kLostLimitAnswer,
       At(kParameterBlock, {IntegerOption("value", "N", 0, 255, true, "the limit, 0 to 255")}),
       MealsSet},
      {{"card", "count", "get"},
       "read the card's top-up count",
       "Prints the counter that every top-up, refund and debit advances.",
       At(2, {}),
       CountGet},
      {{"card", "count", "set"},
       "write the card's top-up count",
       "Writes the top-up counter, 0 to 65535. " + kLostLimitAnswer,
       At(2, {IntegerOption("value", "N", 0, 65535, true, "the count, 0 to 65535")}),
       CountSet},
  };
}

}  // namespace icbus::tool
