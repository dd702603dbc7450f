// icbus: the command-line face of the icbus library.
#include <iostream>
#include <string>
#include <vector>

#include "bus_api.h"
#include "catalog.h"
#include "host.h"
#include "icbus_version.h"
#include "run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // The release these headers and the library belong to (the `version`
  // command shows the text the library itself reports).
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << "icbus " ICBUS_VERSION_STRING "\n";
    return 0;
  }
  return icbus::tool::Run(args, icbus::tool::AllCommands(), icbus::tool::LibraryApi(), std::cout,
                          std::cerr, icbus::tool::SystemHost());
}
