// The card writer's result codes in words, and the outcome of a card
// operation built from one.
#pragma once
#include <string>

#include "cli/command.h"
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

}  // namespace icbus::tool
