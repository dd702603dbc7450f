// The input box: a small modal dialog with a title, a prompt above an edit
// holding the default text (selected), OK and Cancel. OK gives the edit's
// text; Cancel, Escape and the close box give the default text.
#pragma once
#include <windows.h>

#include <string>

#include "demo/win32/control_ids.h"

namespace icbus::demo::win32 {

std::wstring RunInputBox(HWND owner, const std::wstring& title, const std::wstring& prompt,
                         const std::wstring& default_text);

}  // namespace icbus::demo::win32
