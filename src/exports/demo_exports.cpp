// C entry point of the demonstration console, and the form pointer that the
// export table carries beside it. The console keeps its form to itself, so
// the pointer stays null.
#include "demo/show.h"
#include "icbus.h"

extern "C" {

ICBUS_API void* _frmDemo = nullptr;

ICBUS_API void ICBUS_CALL ShowDemo(void) { icbus::demo::ShowConsole(); }

}  // extern "C"
