#include <cstdio>

#include "terminal/identity.h"
#include "terminal/version_text.h"

namespace icbus::terminal {

// No message box here: the same text goes to standard error as one line,
// and the answer is the one a person closing the box would give (OK).
int ShowVersion() {
  std::fprintf(stderr, "%s\n", kVersionText);
  return 1;
}

}  // namespace icbus::terminal
