#include "demo/win32/edit_behaviour.h"

#include <commctrl.h>

#include "demo/mask.h"

namespace icbus::demo::win32 {
namespace {

constexpr UINT_PTR kFilterId = 1;
constexpr UINT_PTR kMaskId = 2;
// The mask state, kept where IsMasked and the text functions can find it.
constexpr wchar_t kMaskProperty[] = L"icbus.mask";

LRESULT CALLBACK FilterProc(HWND edit, UINT message, WPARAM w, LPARAM l, UINT_PTR id,
                            DWORD_PTR data) {
  if (message == WM_CHAR && !KeyAccepted(static_cast<KeyFilter>(data), static_cast<char32_t>(w)))
    return 0;
  if (message == WM_NCDESTROY) RemoveWindowSubclass(edit, FilterProc, id);
  return DefSubclassProc(edit, message, w, l);
}

void Show(HWND edit, const MaskedText& masked) {
  const std::string shown = masked.Display();
  SetWindowTextA(edit, shown.c_str());
  const auto at = static_cast<WPARAM>(masked.cursor());
  SendMessageW(edit, EM_SETSEL, at, static_cast<LPARAM>(at));
}

// The caret as the user left it (a click or an arrow key), before typing.
void TakeCaret(HWND edit, MaskedText* masked) {
  DWORD start = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  masked->MoveTo(start);
}

LRESULT CALLBACK MaskProc(HWND edit, UINT message, WPARAM w, LPARAM l, UINT_PTR id,
                          DWORD_PTR data) {
  auto* masked = reinterpret_cast<MaskedText*>(data);
  switch (message) {
    case WM_CHAR:
      TakeCaret(edit, masked);
      if (w == VK_BACK) {
        masked->Backspace();
      } else if (w >= ' ' && w < 0x7F) {
        // A key the position does not accept is discarded.
        masked->Type(static_cast<char>(w));
      } else {
        return DefSubclassProc(edit, message, w, l);
      }
      Show(edit, *masked);
      return 0;
    case WM_KEYDOWN:
      if (w == VK_DELETE) {
        TakeCaret(edit, masked);
        masked->Delete();
        Show(edit, *masked);
        return 0;
      }
      break;
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
      return 0;  // only typing changes a masked edit
    case WM_NCDESTROY:
      RemoveWindowSubclass(edit, MaskProc, id);
      RemovePropW(edit, kMaskProperty);
      delete masked;
      break;
    default:
      break;
  }
  return DefSubclassProc(edit, message, w, l);
}

MaskedText* StateOf(HWND edit) { return static_cast<MaskedText*>(GetPropW(edit, kMaskProperty)); }

}  // namespace

void AttachKeyFilter(HWND edit, KeyFilter filter) {
  if (filter != KeyFilter::kNone)
    SetWindowSubclass(edit, FilterProc, kFilterId, static_cast<DWORD_PTR>(filter));
}

void AttachMask(HWND edit, const std::string& mask, const std::string& text) {
  auto* masked = new MaskedText(mask);
  masked->SetText(text);
  masked->MoveTo(0);
  SendMessageW(edit, EM_LIMITTEXT, masked->size(), 0);
  SetPropW(edit, kMaskProperty, masked);
  SetWindowSubclass(edit, MaskProc, kMaskId, reinterpret_cast<DWORD_PTR>(masked));
  Show(edit, *masked);
}

bool IsMasked(HWND edit) { return StateOf(edit) != nullptr; }

std::string MaskedEditText(HWND edit) {
  const auto* masked = StateOf(edit);
  return masked ? masked->Text() : std::string();
}

void SetMaskedEditText(HWND edit, const std::string& text) {
  if (auto* masked = StateOf(edit)) {
    masked->SetText(text);
    Show(edit, *masked);
  }
}

}  // namespace icbus::demo::win32
