// The card writer's result codes in words, and the outcome of a card
// operation built from one.
#pragma once
#include <string>

#include "cli/command.h"
#include "cli/report.h"
#include "cli/target.h"
#include "host/bus_api.h"

namespace icbus::tool {

// What went wrong, for every code but 1 (success). `out_of_range` explains
// code 5 for the operation at hand.
std::string CardFailure(int code, const std::string& out_of_range = "value out of range");

// Success for code 1; otherwise "ACTION failed: REASON (SPOT)".
Outcome CardOutcome(int code, const std::string& action, const WriterSpot& spot,
                    const std::string& out_of_range = "value out of range");

// The card result code of a reader of numbers (ReadBalance and the like),
// which answer only -1 on failure: worked out from the library's last error,
// so "no card" and "wrong key" are told apart as the other card calls tell
// them.
int ReaderFailureCode(const BusApi& bus);

// A reader of numbers failed: "ACTION failed: REASON (SPOT)".
Outcome ReaderOutcome(const BusApi& bus, const std::string& action, const WriterSpot& spot);

// A card write that failed after it may have gone out: the writer can apply
// it and lose its answer, and a retry would change the card twice. So the
// block is read back (check_card_write) and decides.
struct WriteCheck {
  bool applied = false;  // go on as after a success
  Outcome failure;       // otherwise, what to report
  std::string found;     // "applied", "not applied", "unknown"; "" unchecked
  // Adds "write": found to a success's --json object.
  void AddTo(JsonObject* json) const {
    if (!found.empty()) json->Add("write", found);
  }
};

// `failed` is the write's own failure; `what` names the value written ("the
// balance"), `action` the change ("the top-up"). Applied: the note goes to
// the error stream.
WriteCheck CheckWrite(const Context& context, const Outcome& failed, const std::string& what,
                      const std::string& action);

}  // namespace icbus::tool
