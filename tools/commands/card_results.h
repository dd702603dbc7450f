// The card writer's result codes in words, and the outcome of a card
// operation built from one.
#pragma once
#include <string>

#include "cli/command.h"
#include "cli/target.h"

namespace icbus::tool {

// What went wrong, for every code but 1 (success). `out_of_range` explains
// code 5 for the operation at hand.
std::string CardFailure(int code, const std::string& out_of_range = "value out of range");

// Success for code 1; otherwise "ACTION failed: REASON (SPOT)".
Outcome CardOutcome(int code, const std::string& action, const WriterSpot& spot,
                    const std::string& out_of_range = "value out of range");

}  // namespace icbus::tool
