// Every command the tool knows, family by family. A new family adds a
// function here and one line to AllCommands().
#pragma once
#include "command.h"

namespace icbus::tool {

CommandTable ClockCommands();  // time get, time set, clear

const CommandTable& AllCommands();

}  // namespace icbus::tool
