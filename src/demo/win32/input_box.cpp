#include "demo/win32/input_box.h"

#include <vector>

namespace icbus::demo::win32 {
namespace {

// An in-memory dialog template: DLGTEMPLATE, then its items, each aligned
// to a DWORD, with strings as UTF-16 words.
class Template {
 public:
  void Align() {
    while (words_.size() % 2) words_.push_back(0);
  }
  void Word(WORD w) { words_.push_back(w); }
  void Dword(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void Text(const std::wstring& text) {
    for (wchar_t c : text) Word(static_cast<WORD>(c));
    Word(0);
  }
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
            const std::wstring& text) {
    Align();
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);  // extended style
    for (short v : {x, y, cx, cy}) Word(static_cast<WORD>(v));
    Word(id);
    Word(0xFFFF);  // a predefined class by atom
    Word(atom);
    Text(text);
    Word(0);  // no creation data
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  std::vector<WORD> words_;
};

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;

struct State {
  std::wstring prompt, default_text, answer;
};

INT_PTR CALLBACK BoxProc(HWND box, UINT message, WPARAM w, LPARAM l) {
  auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(box, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      state = reinterpret_cast<State*>(l);
      SetWindowLongPtrW(box, DWLP_USER, l);
      SetDlgItemTextW(box, kInputPromptId, state->prompt.c_str());
      SetDlgItemTextW(box, kInputEditId, state->default_text.c_str());
      HWND edit = GetDlgItem(box, kInputEditId);
      SetFocus(edit);
      SendMessageW(edit, EM_SETSEL, 0, -1);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      if (LOWORD(w) == IDOK) {
        HWND edit = GetDlgItem(box, kInputEditId);
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
        state->answer = text;
        EndDialog(box, IDOK);
        return TRUE;
      }
      if (LOWORD(w) == IDCANCEL) {
        EndDialog(box, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

std::wstring RunInputBox(HWND owner, const std::wstring& title, const std::wstring& prompt,
                         const std::wstring& default_text) {
  Template t;
  t.Dword(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
  t.Dword(0);
  t.Word(4);  // items
  for (short v : {0, 0, 220, 70}) t.Word(static_cast<WORD>(v));
  t.Word(0);  // no menu
  t.Word(0);  // the dialog class
  t.Text(title);
  t.Word(9);
  t.Text(L"SimSun");
  t.Item(SS_LEFT, 8, 6, 204, 20, kInputPromptId, kStatic, L"");
  t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 8, 28, 204, 13, kInputEditId, kEdit, L"");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 100, 50, 54, 14, IDOK, kButton, L"OK");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 158, 50, 54, 14, IDCANCEL, kButton, L"Cancel");
  State state{prompt, default_text, default_text};
  HINSTANCE instance = GetModuleHandleW(nullptr);
  INT_PTR result =
      DialogBoxIndirectParamW(instance, t.get(), owner, BoxProc, reinterpret_cast<LPARAM>(&state));
  return result == IDOK ? state.answer : default_text;
}

}  // namespace icbus::demo::win32
