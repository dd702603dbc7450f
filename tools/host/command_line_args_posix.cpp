#include "host/command_line_args.h"

namespace icbus::tool {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

void PrepareStandardStreams() {}

}  // namespace icbus::tool
