// machine number set, machine master-card set, machine password set|cancel,
// machine writer-key set: a terminal's identity and keys. All but the
// addressed master-card change are broadcasts: they carry no address, so
// every terminal on the line takes them and only one may be connected, so
// the line is scanned first unless the user vouches for it with --yes.
#include "cli/consent.h"
#include "cli/report.h"
#include "cli/target.h"
#include "commands/catalog.h"
#include "commands/line_scan.h"

namespace icbus::tool {
namespace {

constexpr const char kOneTerminal[] =
    "The command carries no address: every terminal on the line takes it, so connect only the "
    "one terminal meant. The line is scanned first (machine numbers 0 to 999, about 15 s) and "
    "nothing is sent unless exactly one terminal answers; --yes sends without the scan.";

std::string OnPort(int port) { return "port " + std::to_string(port); }

// "1", "1 and 5", "1, 5 and 9".
std::string Numbers(const std::vector<int>& machines) {
  std::string text;
  for (std::size_t i = 0; i < machines.size(); ++i) {
    if (i > 0) text += i + 1 == machines.size() ? " and " : ", ";
    text += std::to_string(machines[i]);
  }
  return text;
}

// Makes sure exactly one terminal answers on `port` before a command every
// terminal would take; the scan stops at the second. Says what will change.
Outcome CheckLoneTerminal(const Context& context, int port, const std::string& what) {
  // The user vouches that one terminal is connected; the result line says
  // what changed.
  if (context.options.Has("yes")) return Outcome::Success();
  if (context.host.progress) {
    context.err << "checking that only one terminal answers on " << OnPort(port) << " ...\n";
  }
  LineScan scan = ScanLine(
      context.bus, port, AllMachineNumbers(), [&] { return context.host.interrupted(); },
      [](std::size_t, std::size_t) {}, 2);
  const std::string unsent = "; nothing was sent";
  // A scan cut short proves nothing about the numbers it did not reach.
  if (context.host.interrupted()) return Outcome::Failure("interrupted: nothing was sent");
  if (!scan.opened) return Outcome::Failure("cannot open " + OnPort(port) + unsent);
  if (scan.failed) return Outcome::Failure("the check of " + OnPort(port) + " broke off" + unsent);
  if (!scan.garbled.empty()) {
    return Outcome::Failure("machine " + std::to_string(scan.garbled.front()) + " on " +
                            OnPort(port) + ": " + kGarbledAnswer + unsent);
  }
  if (scan.found.size() > 1) {
    return Outcome::Failure(
        "terminals " + Numbers(scan.found) + " answer on " + OnPort(port) +
        ", and every terminal on the line would take " + what +
        ": connect only the one terminal meant, or give --yes to send it anyway" + unsent);
  }
  if (scan.found.empty())
    return Outcome::Failure("no terminal answers on " + OnPort(port) + unsent);
  context.err << "sending " << what << " to terminal " << scan.found.front()
              << ", the only one answering on " << OnPort(port) << "\n";
  return Outcome::Success();
}

// `what` names the change: "the machine number 001K".
Outcome Broadcast(const Context& context, int(ICBUS_CALL* call)(int, const char*),
                  const std::string& option, const std::string& what) {
  int port = static_cast<int>(context.options.Integer("port"));
  Outcome checked = CheckLoneTerminal(context, port, what);
  if (!checked.ok) return checked;
  if (!call(port, context.options.Text(option).c_str())) {
    return Outcome::Failure("no terminal on " + OnPort(port) + " confirmed " + what +
                            " (or more than one answered at once)");
  }
  ReportDone(context, "the terminal on " + OnPort(port) + " took " + what);
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
  ReportDone(context, "management card of " + Describe(target) + " changed to " + number);
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
  ReportDone(context, "sector key loaded into the card writer on " + OnPort(port));
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
  const OptionSpec yes = YesOption(
      "send the command that every terminal on the line takes without first checking "
      "that only one terminal answers");
  OptionSpec current = CardOption();
  current.help = "the terminal's current management card number (with --machine)";
  return {
      {{"machine", "number", "set"},
       "give the connected terminal its machine number and type",
       std::string("Sets the machine number and type: three digits and a type letter, such as "
                   "001K (K: attendance). ") +
           kOneTerminal,
       {port,
        TextOption("number", "NNNT", TextCheck::kGbk, 4, 4, true,
                   "three digits and the type letter"),
        yes},
       NumberSet},
      {{"machine", "master-card", "set"},
       "set a terminal's management card number",
       std::string(
           "Sets the management card number. With --machine and --card the terminal is "
           "addressed with its machine number and current management card. Without them: ") +
           kOneTerminal,
       {port,
        TextOption("number", "NNNNNN", TextCheck::kDigits, 6, 6, true,
                   "the new management card number, six digits"),
        machine, current, yes},
       MasterCardSet},
      {{"machine", "password", "set"},
       "set the IC-card password the terminals use with the cards",
       std::string("Sets the terminals' IC-card password, twelve hexadecimal digits. ") +
           kOneTerminal,
       {port, HexKey("password", "the new password, 000000000000 to FFFFFFFFFFFF"), yes},
       PasswordSet},
      {{"machine", "password", "cancel"},
       "cancel the terminals' IC-card password",
       std::string("Cancels the IC-card password; the terminal takes it only when it matches "
                   "the current one. ") +
           kOneTerminal,
       {port, HexKey("password", "the current password, twelve hexadecimal digits"), yes},
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
