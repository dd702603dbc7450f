// One run of the tool: resolve the command line, then help, a usage error or
// the command itself, each ending in an exit code.
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "host/bus_api.h"
#include "host/host.h"

namespace icbus::tool {

// `args` are the arguments after the program name. Results and help go to
// `out`; usage errors and failures, one line each starting "icbus: ", and
// progress to `err`.
int Run(const std::vector<std::string>& args, const CommandTable& table, const BusApi& bus,
        std::ostream& out, std::ostream& err, const Host& host = Host());

}  // namespace icbus::tool
