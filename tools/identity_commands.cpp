// machine number set, machine master-card set, machine password set|cancel,
// machine writer-key set: a terminal's identity and keys. All but the
// addressed master-card change are broadcasts: they carry no address, so
// every terminal on the line takes them and only one may be connected.
#include "catalog.h"
#include "target.h"

namespace icbus::tool {
namespace {

constexpr const char kOneTerminal[] =
    "The command carries no address: every terminal on the line takes it, so connect only the "
    "one terminal meant.";

std::string OnPort(int port) { return "port " + std::to_string(port); }

// `what` names the change: "the machine number 001K".
Outcome Broadcast(const Context& context, int(ICBUS_CALL* call)(int, const char*),
                  const std::string& option, const std::string& what) {
  int port = static_cast<int>(context.options.Integer("port"));
  if (!call(port, context.options.Text(option).c_str())) {
    return Outcome::Failure("no terminal on " + OnPort(port) + " confirmed " + what +
                            " (or more than one answered at once)");
  }
  context.out << "the terminal on " << OnPort(port) << " took " << what << "\n";
  return Outcome::Success();
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

Outcome NumberSet(const Context& context) {
  std::string number = context.options.Text("number");
  if (!IsDigit(number[0]) || !IsDigit(number[1]) || !IsDigit(number[2])) {
    return Outcome::Usage("--number must be three digits and a type letter, such as 001K, not '" +
                          number + "'");
  }
  return Broadcast(context, context.bus.set_mach_no, "number", "the machine number " + number);
}

Outcome MasterCardSet(const Context& context) {
  bool addressed = context.options.Has("machine");
  if (addressed != context.options.Has("card")) {
    return Outcome::Usage(
        "--machine and --card go together: the terminal is addressed with its current "
        "management card");
  }
  if (!addressed) {
    return Broadcast(context, context.bus.set_master_card, "number",
                     "the management card " + context.options.Text("number"));
  }
  Target target = TargetFrom(context.options);
  std::string number = context.options.Text("number");
  if (!context.bus.set_master_card_a(target.port, target.machine, number.c_str(), *target.card)) {
    return Outcome::Failure(Describe(target) + " did not confirm the new management card");
  }
  context.out << "management card of " << Describe(target) << " changed to " << number << "\n";
  return Outcome::Success();
}

Outcome PasswordSet(const Context& context) {
  return Broadcast(context, context.bus.set_pass, "password", "the new IC-card password");
}

Outcome PasswordCancel(const Context& context) {
  return Broadcast(context, context.bus.log_on_pass, "password",
                   "the cancellation of its IC-card password");
}

Outcome WriterKeySet(const Context& context) {
  int port = static_cast<int>(context.options.Integer("port"));
  if (!context.bus.set_pass_a(port, context.options.Text("key").c_str())) {
    return Outcome::Failure("the card writer on " + OnPort(port) + " did not confirm the key");
  }
  context.out << "sector key loaded into the card writer on " << OnPort(port) << "\n";
  return Outcome::Success();
}

OptionSpec HexKey(const std::string& name, const std::string& help) {
  return TextOption(name, "HEX12", TextCheck::kHex, 12, 12, true, help);
}

}  // namespace

CommandTable IdentityCommands() {
  const OptionSpec port = PortOption();
  OptionSpec machine = MachineOption();
  machine.required = false;
  machine.help = "address this terminal instead of every terminal on the line (with --card)";
  OptionSpec current = CardOption();
  current.help = "the terminal's current management card number (with --machine)";
  return {
      {{"machine", "number", "set"},
       "give the connected terminal its machine number and type",
       std::string("Sets the machine number and type: three digits and a type letter, such as "
                   "001K (K: attendance). ") +
           kOneTerminal,
       {port, TextOption("number", "NNNT", TextCheck::kGbk, 4, 4, true,
                         "three digits and the type letter")},
       NumberSet},
      {{"machine", "master-card", "set"},
       "set a terminal's management card number",
       "Sets the management card number. With --machine and --card the terminal is addressed "
       "with its machine number and current management card. Without them the command carries "
       "no address: every terminal on the line takes it, so connect only the one terminal "
       "meant.",
       {port,
        TextOption("number", "NNNNNN", TextCheck::kDigits, 6, 6, true,
                   "the new management card number, six digits"),
        machine, current},
       MasterCardSet},
      {{"machine", "password", "set"},
       "set the IC-card password the terminals use with the cards",
       std::string("Sets the terminals' IC-card password, twelve hexadecimal digits. ") +
           kOneTerminal,
       {port, HexKey("password", "the new password, 000000000000 to FFFFFFFFFFFF")},
       PasswordSet},
      {{"machine", "password", "cancel"},
       "cancel the terminals' IC-card password",
       std::string("Cancels the IC-card password; the terminal takes it only when it matches "
                   "the current one. ") +
           kOneTerminal,
       {port, HexKey("password", "the current password, twelve hexadecimal digits")},
       PasswordCancel},
      {{"machine", "writer-key", "set"},
       "load the sector key into the desktop card writer",
       "Loads the sector key, twelve hexadecimal digits, into the desktop card writer on the "
       "port. The writer checks every card's sector against it.",
       {port, HexKey("key", "the sector key")},
       WriterKeySet},
  };
}

}  // namespace icbus::tool
