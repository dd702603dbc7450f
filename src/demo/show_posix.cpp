#include <cstdio>

#include "demo/show.h"

namespace icbus::demo {

void ShowConsole() {
  std::fputs("icbus: the demonstration console needs Windows; nothing was shown\n", stderr);
}

}  // namespace icbus::demo
