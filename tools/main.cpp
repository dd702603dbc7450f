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
  // The tool's release and the release of the library it loaded.
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << icbus::tool::VersionLine(icbus::tool::LibraryRelease(icbus::tool::LibraryApi()))
              << "\n";
    return 0;
  }
  return icbus::tool::Run(args, icbus::tool::AllCommands(), icbus::tool::LibraryApi(), std::cout,
                          std::cerr, icbus::tool::SystemHost());
}
