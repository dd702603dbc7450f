#include "demo/show.h"
#include "demo/win32/form_window.h"

namespace icbus::demo {

// Each call makes a new form, runs it modally and destroys it: nothing of
// it outlives the call.
void ShowConsole() {
  win32::FormWindow form;
  form.ShowModal();
}

}  // namespace icbus::demo
