// The words a failed command ends with. When the library's last call failed
// on the way to the device or got no complete answer, the command's own
// words ("did not answer") would hide why: the library's reason stands
// instead ("cannot open /dev/ttyS1 (port 2): No such file or directory"),
// with what to do about it. A reply the command has read and judged (a
// refusal, a card writer's code) keeps the command's words.
#pragma once
#include <string>

#include "cli/command.h"
#include "host/bus_api.h"

namespace icbus::tool {

// The library's reason for the failure of the last call when it is one the
// command's words would hide (the port, the line, a reply that did not
// come); empty otherwise.
std::string LibraryReason(const BusApi& bus);

std::string FailureText(const Outcome& outcome, const BusApi& bus);

// What to do about a port that cannot be opened, after the library's reason
// naming "(port N)"; empty when the reason names no port number.
std::string OpenAdvice(const std::string& reason);

}  // namespace icbus::tool
