#include <windows.h>

#include "terminal/identity.h"
#include "terminal/version_text.h"

namespace icbus::terminal {

// The wide-character box reads correctly whatever the system's code page.
int ShowVersion() {
  return MessageBoxW(nullptr, kVersionTextWide, kVersionTitleWide, MB_OK | MB_ICONINFORMATION);
}

}  // namespace icbus::terminal
