// icbus_docs: writes the manual page and the bash completion from the
// command table, or with --check says whether the checked-in ones are
// still what the table gives.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "cli/manual.h"
#include "commands/catalog.h"

namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 4 && std::string(argv[1]) == "--check";
  if (argc != 3 && !check) {
    std::cerr << "usage: icbus_docs [--check] MANUAL COMPLETION\n";
    return 2;
  }
  const std::string manual = argv[check ? 2 : 1], completion = argv[check ? 3 : 2];
  const auto& table = icbus::tool::AllCommands();
  const std::string texts[] = {icbus::tool::ManualPage(table), icbus::tool::BashCompletion(table)};
  const std::string paths[] = {manual, completion};
  int stale = 0;
  for (int i = 0; i < 2; ++i) {
    if (check) {
      if (Contents(paths[i]) == texts[i]) continue;
      std::cerr << paths[i] << " is not what the command table gives: build the "
                << "icbus_docs_update target and commit the result\n";
      ++stale;
      continue;
    }
    std::ofstream out(paths[i], std::ios::binary | std::ios::trunc);
    out << texts[i];
    if (!out) {
      std::cerr << "cannot write " << paths[i] << "\n";
      return 1;
    }
  }
  return stale == 0 ? 0 : 1;
}
