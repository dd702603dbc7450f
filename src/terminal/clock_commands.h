// Reading and setting a terminal's clock, and clearing its records.
#pragma once
#include <optional>

namespace icbus::terminal {

// Without a management card number the terminal is addressed with the plain
// frame; with one, with the six-digit frame that carries it.
using ManagementCard = std::optional<int>;

int GetTime(int port, int machine, char* out, ManagementCard card);
int SetTime(int port, int machine, ManagementCard card);
int Clear(int port, int machine, ManagementCard card);

}  // namespace icbus::terminal
