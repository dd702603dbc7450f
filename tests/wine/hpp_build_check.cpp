// Builds a program against icbus.hpp and the import library, as an SDK user
// would: the C++ interface must compile warning-free and link with the DLL
// on both Windows targets. Run by hand: hpp_build_check PORT MACHINE.
#include <cstdio>
#include <cstdlib>

#include "icbus.hpp"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: hpp_build_check PORT MACHINE\n");
    return 2;
  }
  icbus::Bus bus(std::atoi(argv[1]));
  bus.SetFastReplies(true);
  std::optional<std::string> clock = bus.GetTime(std::atoi(argv[2]));
  std::printf("%s\n", clock ? clock->c_str() : "no answer");
  return clock ? 0 : 1;
}
