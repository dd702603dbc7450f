// set keyboard, set menu-amount, set menu-name, set display, set read-name:
// the menus and texts a terminal shows. Texts are typed in UTF-8 and sent in
// GBK, the terminals' character set.
#include "commands/amount_units.h"
#include "commands/catalog.h"
#include "commands/confirm.h"

namespace icbus::tool {
namespace {

Outcome Keyboard(const Context& context) {
  Target target = TargetFrom(context.options);
  int index = static_cast<int>(context.options.Integer("index"));
  const std::string typed = context.options.Text("amount");
  // The entry is sent in tenths; a finer amount would be cut short.
  if (auto why = FinerThanUnit(typed, 10, "the keyboard's unit")) return Outcome::Usage(*why);
  double amount = context.options.Amount("amount");
  return Confirmed(context, target,
                   context.bus.set_keyboard(target.port, target.machine, index, amount),
                   "keyboard entry " + std::to_string(index) + " at " +
                       UnitsText(*TypedFen(typed) / 10, 10) + " yuan");
}

Outcome MenuAmount(const Context& context) {
  Target target = TargetFrom(context.options);
  std::string category = context.options.Text("category");
  std::string menu = context.options.Text("menu");
  double amount = context.options.Amount("amount");
  return Confirmed(context, target,
                   context.bus.set_class_menu_money(target.port, target.machine, category.c_str(),
                                                    menu.c_str(), amount),
                   "menu " + category + menu + " at " +
                       UnitsText(*TypedFen(context.options.Text("amount")), 100) + " yuan");
}

Outcome MenuName(const Context& context) {
  Target target = TargetFrom(context.options);
  std::string category = context.options.Text("category");
  std::string menu = context.options.Text("menu");
  std::string name = context.options.Gbk("name");
  return Confirmed(context, target,
                   context.bus.set_class_menu_name(target.port, target.machine, category.c_str(),
                                                   menu.c_str(), name.c_str()),
                   "the name '" + context.options.Text("name") + "' for category " + category);
}

Outcome Display(const Context& context) {
  Target target = TargetFrom(context.options);
  std::string text = context.options.Gbk("text");
  // An empty line is sent as blanks, so the terminal clears it.
  if (text.empty()) text = std::string(16, ' ');
  std::string line = context.options.Text("line") + text;
  return Confirmed(
      context, target,
      context.bus.set_screen_display_text(target.port, target.machine, line.c_str()),
      "line " + context.options.Text("line") + " '" + context.options.Text("text") + "'");
}

Outcome ReadName(const Context& context) {
  Target target = TargetFrom(context.options);
  std::string text = context.options.Text("number") + context.options.Text("password") +
                     context.options.Gbk("name");
  return Confirmed(context, target,
                   context.bus.set_read_card_name(target.port, target.machine, text.c_str()),
                   "the swipe text for card " + context.options.Text("number"));
}

std::vector<OptionSpec> With(std::vector<OptionSpec> more) {
  std::vector<OptionSpec> options = PlainTarget();
  options.insert(options.end(), more.begin(), more.end());
  return options;
}

OptionSpec Category() {
  OptionSpec option = ChoiceOption("category", {"A", "B", "C", "D", "E", "F"}, "the menu category");
  option.required = true;
  return option;
}

OptionSpec Menu() {
  return TextOption("menu", "C", TextCheck::kGbk, 1, 1, true, "the menu, one character");
}

}  // namespace

CommandTable DisplayCommands() {
  OptionSpec line = ChoiceOption("line", {"A", "B", "C"}, "the display line");
  line.required = true;
  return {
      {{"set", "keyboard"},
       "set a window terminal's keyboard menu entry",
       "Sets keyboard menu entry 0 to 9 to an amount; the terminal takes it in tenths of a "
       "yuan, three digits (an amount finer than a tenth is refused).",
       With({IntegerOption("index", "N", 0, 9, true, "the menu entry, 0 to 9"),
             AmountOption("amount", 99.9, true, "the entry's amount, at most 99.9")}),
       Keyboard},
      {{"set", "menu-amount"},
       "set the amount of a category menu",
       "Sets the amount of menu C in category A to F; the terminal takes it in hundredths of a "
       "yuan, four digits.",
       With({Category(), Menu(), AmountOption("amount", 99.99, true, "the amount, at most 99.99")}),
       MenuAmount},
      {{"set", "menu-name"},
       "set the name of a category menu",
       "Sets the name a category shows, padded to 13 bytes. The command carries the category "
       "only; --menu is checked like the amount's but not sent.",
       With({Category(), Menu(),
             TextOption("name", "TEXT", TextCheck::kGbk, 0, 18, true,
                        "the name, at most 18 bytes in GBK (nine Chinese characters)")}),
       MenuName},
      {{"set", "display"},
       "print a line on an attendance terminal's display",
       "Shows a text on display line A, B or C of an attendance terminal. Without --text the "
       "line is cleared.",
       With({line, TextOption("text", "TEXT", TextCheck::kGbk, 0, 16, false,
                              "the text, at most 16 bytes in GBK (eight Chinese characters)")}),
       Display},
      {{"set", "read-name"},
       "set the text a terminal shows when a card is read",
       "Sets what the terminal shows for a card: its number, a six-character field and the "
       "holder's name.",
       With({TextOption("number", "NNNNNN", TextCheck::kDigits, 6, 6, true,
                        "the card number, six digits"),
             TextOption("password", "XXXXXX", TextCheck::kGbk, 6, 6, true,
                        "the six-character password field"),
             TextOption("name", "TEXT", TextCheck::kGbk, 0, 6, true,
                        "the holder's name, at most 6 bytes in GBK (three Chinese characters)")}),
       ReadName},
  };
}

}  // namespace icbus::tool
