// topup send: one top-up order to a self-service top-up machine. The machine
// has no Chinese fonts; the library draws the holder's name as glyph cells,
// so the name goes out in GBK, three characters at most.
#include "catalog.h"
#include "target.h"

namespace icbus::tool {
namespace {

Outcome Send(const Context& context) {
  Target target = TargetFrom(context.options);
  int card = static_cast<int>(context.options.Integer("card"));
  int mgmt = static_cast<int>(context.options.Integer("mgmt"));
  bool add = context.options.Text("mode") == "add";
  std::string name = context.options.Gbk("name");
  if (!context.bus.transmit_atm(target.port, target.machine, card, add ? 1 : 0,
                                context.options.Amount("amount"), name.c_str(), mgmt)) {
    return Outcome::Failure("top-up machine " + std::to_string(target.machine) + " on port " +
                            std::to_string(target.port) + " did not confirm the order");
  }
  context.out << "order for card " << card << " taken: " << context.options.Text("amount")
              << " yuan " << (add ? "added to" : "replacing") << " the balance\n";
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
       "amount (sent in tenths of a yuan), the host's local time and the holder's name, which "
       "the machine shows as drawn characters.",
       {PortOption(), MachineOption(),
        IntegerOption("card", "N", 0, 1048575, true, "the card number, 0 to 1048575"), mode,
        AmountOption("amount", 6553.5, true, "the amount, at most 6553.5"),
        TextOption("name", "TEXT", TextCheck::kGbkWide, 0, 6, true,
                   "the holder's name, at most three Chinese characters"),
        IntegerOption("mgmt", "N", 0, 999999, true,
                      "the top-up machine's management card number, 0 to 999999")},
       Send},
  };
}

}  // namespace icbus::tool
