// icbus: the command-line face of the icbus library.
#include <iostream>
#include <string>
#include <vector>

#include "cli/run.h"
#include "commands/catalog.h"
#include "host/bus_api.h"
#include "host/command_line_args.h"
#include "host/host.h"

int main(int argc, char** argv) {
  icbus::tool::PrepareStandardStreams();
  std::vector<std::string> args = icbus::tool::ProgramArguments(argc, argv);
  return icbus::tool::Run(args, icbus::tool::AllCommands(), icbus::tool::LibraryApi(), std::cout,
                          std::cerr, icbus::tool::SystemHost());
}
