// list add, list remove, list clear, list query: the card lists a terminal
// keeps. The first list holds the cards reported lost (consumption terminal)
// or the cards opened for use (attendance terminal); the second list, chosen
// with --ex, has commands of its own.
#include <optional>
#include <string>

#include "cli/report.h"
#include "cli/target.h"
#include "commands/catalog.h"

namespace icbus::tool {
namespace {

using EntryCall = int(ICBUS_CALL*)(int port, int machine, const char* card);
using ListCall = int(ICBUS_CALL*)(int port, int machine);

std::string ListName(const Context& context) {
  return context.options.Has("ex") ? "second list" : "first list";
}

struct Change {
  const char* doing;        // "adding"
  const char* done;         // "added"
  const char* preposition;  // "to"
};

// The two forms a terminal keeps in its lists: a consumption terminal's
// six-digit card number, an attendance terminal's card number followed by
// its six-digit password. The library sends any text; a terminal takes
// another length as a different card, or as garbage.
std::optional<std::string> BadEntry(const std::string& entry) {
  if (entry.size() == 6 || entry.size() == 12) return std::nullopt;
  return "--entry takes 6 digits (a card number) or 12 (the card number and its six-digit "
         "password, on an attendance terminal), not " +
         std::to_string(entry.size()) + ": '" + entry + "'";
}

Outcome ChangeEntry(const Context& context, EntryCall first, EntryCall second,
                    const Change& change) {
  Target target = TargetFrom(context.options);
  std::string entry = context.options.Text("entry");
  if (auto why = BadEntry(entry)) return Outcome::Usage(*why);
  EntryCall call = context.options.Has("ex") ? second : first;
  const std::string list = ListName(context);
  if (!call(target.port, target.machine, entry.c_str())) {
    return Outcome::Failure(Describe(target) + " did not confirm " + change.doing + " " + entry +
                            " " + change.preposition + " its " + list);
  }
  ReportDone(context, entry + " " + change.done + " " + change.preposition + " the " + list +
                          " of " + Describe(target));
  return Outcome::Success();
}

Outcome ListAdd(const Context& context) {
  return ChangeEntry(context, context.bus.set_open_card, context.bus.set_open_card_ex,
                     {"adding", "added", "to"});
}

Outcome ListRemove(const Context& context) {
  return ChangeEntry(context, context.bus.del_open_card, context.bus.del_open_card_ex,
                     {"removing", "removed", "from"});
}

Outcome ListClear(const Context& context) {
  Target target = TargetFrom(context.options);
  ListCall call =
      context.options.Has("ex") ? context.bus.clear_open_card_ex : context.bus.clear_open_card;
  if (!call(target.port, target.machine)) {
    return Outcome::Failure(Describe(target) + " did not confirm emptying its " +
                            ListName(context));
  }
  ReportDone(context, ListName(context) + " of " + Describe(target) + " emptied");
  return Outcome::Success();
}

Outcome ListQuery(const Context& context) {
  Target target = TargetFrom(context.options);
  std::string entry = context.options.Text("entry");
  if (auto why = BadEntry(entry)) return Outcome::Usage(*why);
  int answer = context.bus.query_card(target.port, target.machine, entry.c_str());
  if (answer < 0) return Outcome::Failure(Describe(target) + " did not answer the query");
  Report(context, entry + (answer == 1 ? ": listed" : ": not listed"),
         JsonObject().Add("entry", entry).Add("listed", answer == 1));
  return Outcome::Success();
}

OptionSpec EntryOption() {
  return TextOption("entry", "DIGITS", TextCheck::kDigits, 1, 21, true,
                    "the list entry: a six-digit card number, or on an attendance terminal the "
                    "card number followed by its six-digit password");
}

OptionSpec ExOption() { return FlagOption("ex", "use the terminal's second list"); }

}  // namespace

CommandTable ListCommands() {
  std::vector<OptionSpec> entry = PlainTarget();
  entry.push_back(EntryOption());
  std::vector<OptionSpec> change = entry;
  change.push_back(ExOption());
  std::vector<OptionSpec> whole = PlainTarget();
  whole.push_back(ExOption());
  return {
      {{"list", "add"},
       "add a card to a terminal's card list",
       "Adds an entry to the terminal's first card list (with --ex its second). A consumption "
       "terminal's first list holds the cards reported lost, an attendance terminal's the cards "
       "opened for use.",
       change,
       ListAdd},
      {{"list", "remove"},
       "remove a card from a terminal's card list",
       "Removes an entry from the terminal's first card list (with --ex its second).",
       change,
       ListRemove},
      {{"list", "clear"},
       "empty a terminal's card list",
       "Removes every entry from the terminal's first card list (with --ex its second).",
       whole,
       ListClear},
      {{"list", "query"},
       "ask whether a card is in a terminal's list",
       "Asks the terminal whether the entry is in its list and prints 'listed' or 'not "
       "listed'. The question travels in the same frame as removing the entry from the second "
       "list; the terminal's kind decides which it does.",
       entry,
       ListQuery},
  };
}

}  // namespace icbus::tool
