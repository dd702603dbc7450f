// Opening the console: on Windows a modal window that returns once it has
// been closed; elsewhere a one-line note that the console needs Windows.
#pragma once

namespace icbus::demo {

void ShowConsole();

}  // namespace icbus::demo
