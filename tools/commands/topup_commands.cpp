// topup send: one top-up order to a self-service top-up machine. The machine
// has no Chinese fonts; the library draws the holder's name as glyph cells,
// so the name goes out in GBK, three characters at most.
#include "cli/report.h"
#include "cli/target.h"
#include "commands/amount_units.h"
#include "commands/catalog.h"

namespace icbus::tool {
namespace {

Outcome Send(const Context& context) {
  Target target = TargetFrom(context.options);
  int card = static_cast<int>(context.options.Integer("card"));
  int mgmt = static_cast<int>(context.options.Integer("mgmt"));
  bool add = context.options.Text("mode") == "add";
  const std::string typed = context.options.Text("amount");
  // The order carries tenths: 0.05 yuan would arrive as nothing.
  if (auto why = FinerThanUnit(typed, 10, "the top-up machine's unit")) {
    return Outcome::Usage(*why);
  }
  std::string name = context.options.Gbk("name");
  // The library refuses a name it cannot draw rather than send blank cells;
  // asking first turns that into a reason the user can act on.
  if (!context.bus.name_drawable(name.c_str())) {
    return Outcome::Failure("no font on this computer can draw the name '" +
                            context.options.Text("name") +
                            "'; install a Chinese font or set ICBUS_FONT to a font file that "
                            "has these characters; nothing was sent");
  }
  if (!context.bus.transmit_atm(target.port, target.machine, card, add ? 1 : 0,
                                context.options.Amount("amount"), name.c_str(), mgmt)) {
    return Outcome::Failure("top-up machine " + std::to_string(target.machine) + " on port " +
                            std::to_string(target.port) + " did not confirm the order");
  }
  const std::string yuan = UnitsText(*TypedFen(typed) / 10, 10);
  Report(context,
         "order for card " + std::to_string(card) + " taken: " + yuan + " yuan " +
             (add ? "added to" : "replacing") + " the balance",
         JsonObject()
             .Add("card", card)
             .Add("mode", add ? "add" : "overwrite")
             .AddRaw("amount", yuan)
             .Add("machine", target.machine)
             .Add("port", target.port));
  return Outcome::Success();
}

}  // namespace

CommandTable TopUpCommands() {
  OptionSpec mode = ChoiceOption("mode", {"add", "overwrite"},
                                 "add the amount to the balance, or make it the balance");
  mode.required = true;
  return {
      {{"topup", "send"},
       "send a top-up order to a self-service top-up machine",
       "Sends one order: the card, whether the amount is added or replaces the balance, the "
       "amount (in tenths of a yuan: a finer amount is refused), the host's local time and the "
       "holder's name, which the machine shows as drawn characters. A name no font on this "
       "computer can draw is refused before anything is sent; ICBUS_FONT may name a font file "
       "to draw with.",
       {PortOption(), MachineOption(),
        IntegerOption("card", "N", 0, 1048575, true, "the card number, 0 to 1048575"), mode,
        AmountOption("amount", 6553.5, true, "the amount in tenths of a yuan, at most 6553.5"),
        TextOption("name", "TEXT", TextCheck::kGbkWide, 0, 6, true,
                   "the holder's name, one to three Chinese characters"),
        IntegerOption("mgmt", "N", 0, 999999, true,
                      "the top-up machine's management card number, 0 to 999999")},
       Send},
  };
}

}  // namespace icbus::tool
