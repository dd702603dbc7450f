// What plain Win32 edits lack: key filters that discard refused typed
// characters, and masked edits that enforce their "MASK;SAVE;BLANK" mask.
#pragma once
#include <windows.h>

#include <string>

#include "demo/form.h"

namespace icbus::demo::win32 {

// Typed characters the filter refuses are discarded; pasting is not filtered.
void AttachKeyFilter(HWND edit, KeyFilter filter);

// Makes `edit` a masked edit showing `text` (read as the control's text).
void AttachMask(HWND edit, const std::string& mask, const std::string& text);
bool IsMasked(HWND edit);
// The control's text under the mask's save rule / loading such a text.
std::string MaskedEditText(HWND edit);
void SetMaskedEditText(HWND edit, const std::string& text);

}  // namespace icbus::demo::win32
