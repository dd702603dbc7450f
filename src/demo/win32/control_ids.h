// How a program that drives the console's window finds its parts: the form's
// window class and the identifiers of its controls and dialog items.
#pragma once

namespace icbus::demo::win32 {

// The window class of the form.
constexpr wchar_t kFormClass[] = L"icbusTfrmDemo";
// A control's identifier: its row in FormControls() plus kFirstId.
constexpr int kFirstId = 1000;
// A radio group's buttons: kFirstRadioId + row * 10 + item.
constexpr int kFirstRadioId = 20000;
// Popup menu commands: kFirstMenuId + row.
constexpr int kFirstMenuId = 40000;
// Inside the input box.
constexpr int kInputPromptId = 101;
constexpr int kInputEditId = 102;

}  // namespace icbus::demo::win32
