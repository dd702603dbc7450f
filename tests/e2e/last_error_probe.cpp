// Asks terminal MACHINE on port PORT for its clock and prints the result and
// the library's reason as "RESULT CODE MESSAGE": run by the tests as another
// user, to see what the library says about a device that user may not open.
#include <cstdio>
#include <cstdlib>

#include "icbus.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: last_error_probe PORT MACHINE\n");
    return 2;
  }
  char clock[32] = {};
  int result = GetTime(std::atoi(argv[1]), std::atoi(argv[2]), clock);
  std::printf("%d %d %s\n", result, icbus_last_error(), icbus_last_error_message());
  return 0;
}
