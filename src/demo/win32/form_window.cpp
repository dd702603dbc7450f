#include "demo/win32/form_window.h"

#include <commctrl.h>

#include <algorithm>

#include "demo/win32/edit_behaviour.h"
#include "demo/win32/input_box.h"

namespace icbus::demo::win32 {
namespace {

constexpr wchar_t kPageClass[] = L"icbusTabSheet";
constexpr wchar_t kMessageTitle[] = L"\u7cfb\u7edf\u4fe1\u606f";  // 系统信息
constexpr UINT_PTR kServeTimer = 1;
constexpr UINT kServeMs = 30;

HINSTANCE Instance() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&Instance), &module);
  return module;
}

void RegisterClasses() {
  static bool done = false;
  if (done) return;
  WNDCLASSEXW form{};
  form.cbSize = sizeof form;
  form.lpfnWndProc = DefWindowProcW;  // replaced per window below
  form.hInstance = Instance();
  form.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  form.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  form.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  form.lpszClassName = kFormClass;
  RegisterClassExW(&form);
  WNDCLASSEXW page = form;
  page.hIcon = nullptr;
  page.lpszClassName = kPageClass;
  RegisterClassExW(&page);
  done = true;
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

// Collects the thread's visible, enabled top-level windows.
BOOL CALLBACK CollectEnabled(HWND window, LPARAM list) {
  if (IsWindowVisible(window) && IsWindowEnabled(window))
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

UINT IconFlags(Icon icon) {
  switch (icon) {
    case Icon::kError:
      return MB_ICONERROR;
    case Icon::kQuestion:
      return MB_ICONQUESTION;
    case Icon::kInformation:
      break;
  }
  return MB_ICONINFORMATION;
}

}  // namespace

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n,
                      nullptr, nullptr);
  return utf8;
}

FormWindow::FormWindow() = default;

FormWindow::~FormWindow() {
  console_.reset();
  if (form_) DestroyWindow(form_);
  if (font_) DeleteObject(font_);
  if (large_font_) DeleteObject(large_font_);
  if (black_) DeleteObject(black_);
}

bool FormWindow::ShowModal() {
  Create();
  if (!form_) return false;
  // Modal: the thread's other windows wait until the form has been closed.
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  disabled.erase(std::remove(disabled.begin(), disabled.end(), form_), disabled.end());
  for (HWND window : disabled) EnableWindow(window, FALSE);
  ShowWindow(form_, SW_SHOWNORMAL);
  UpdateWindow(form_);
  SetTimer(form_, kServeTimer, kServeMs, nullptr);

  MSG msg;
  bool quit = false;
  while (!closed_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      quit = got == 0;
      break;
    }
    if (!IsDialogMessageW(form_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (!closed_) {
    // The thread is quitting: close the form the ordinary way first.
    console_->FormClose();
    DestroyWindow(form_);
  }
  for (HWND window : disabled) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
  if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
  return true;
}

void FormWindow::Create() {
  INITCOMMONCONTROLSEX common{sizeof common,
                              ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common);
  RegisterClasses();
  font_ =
      CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"SimSun");
  large_font_ =
      CreateFontW(-16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"SimSun");
  black_ = CreateSolidBrush(RGB(0, 0, 0));

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  form_ = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, Wide(kFormTitle).c_str(), style, x, y,
                          width, height, nullptr, nullptr, Instance(), nullptr);
  if (!form_) return;
  SetWindowLongPtrW(form_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(form_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormProc));

  tabs_ = CreateWindowExW(
      0, WC_TABCONTROLW, L"",
      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_BOTTOM | TCS_MULTILINE | TCS_HOTTRACK, 0, 0,
      kClientWidth, kClientHeight, form_, nullptr, Instance(), nullptr);
  SendMessageW(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  SendMessageW(tabs_, TCM_SETITEMSIZE, 0, MAKELPARAM(0, kTabHeight));
  CreatePages();
  const auto& table = FormControls();
  for (std::size_t row = 0; row < table.size(); ++row) CreateControl(row);
  console_ = std::make_unique<Console>(this);
  // The constructor's work: Com1 and the first page.
  SendMessageW(Handle("cmbPort"), CB_SETCURSEL, 0, 0);
  ShowPage(0);
  building_ = false;
}

void FormWindow::CreatePages() {
  const auto& table = FormControls();
  int tab = 0;
  for (const Control& c : table) {
    if (c.kind != Kind::kPage || !c.visible) continue;
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    std::wstring caption = Wide(c.caption);
    item.pszText = caption.data();
    SendMessageW(tabs_, TCM_INSERTITEMW, static_cast<WPARAM>(tab++),
                 reinterpret_cast<LPARAM>(&item));
  }
  // The pages fill the tab control's display area, above it in Z order.
  RECT area;
  GetClientRect(tabs_, &area);
  SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  for (const Control& c : table) {
    if (c.kind != Kind::kPage) continue;
    HWND page =
        CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, Wide(c.caption).c_str(),
                        WS_CHILD | WS_CLIPSIBLINGS, area.left, area.top, area.right - area.left,
                        area.bottom - area.top, form_, nullptr, Instance(), nullptr);
    SetWindowLongPtrW(page, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PageProc));
    SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    handles_[c.name] = page;
    controls_[page] = &c;
    // A page without a tab (TabSheet5) exists but cannot be reached.
    if (c.visible) tab_pages_.push_back(static_cast<int>(pages_.size()));
    pages_.push_back(page);
  }
}

void FormWindow::CreateControl(std::size_t row) {
  const Control& c = FormControls()[row];
  if (c.kind == Kind::kPage || c.kind == Kind::kMenu || c.kind == Kind::kMenuItem ||
      c.kind == Kind::kMenuSeparator)
    return;
  HWND page = Handle(c.parent);
  if (c.kind == Kind::kRadioGroup) {
    CreateRadioGroup(row, page);
    return;
  }
  const wchar_t* window_class = L"STATIC";
  DWORD style = WS_CHILD | (c.visible ? WS_VISIBLE : 0);
  DWORD ex_style = 0;
  std::wstring text = Wide(c.kind == Kind::kButton || c.kind == Kind::kLabel ? c.caption : c.text);
  switch (c.kind) {
    case Kind::kButton:
      window_class = L"BUTTON";
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case Kind::kLabel:
      style |= (c.style & kWordWrap) ? SS_LEFT : SS_LEFTNOWORDWRAP;
      break;
    case Kind::kPanel:
      style |= SS_CENTER | SS_CENTERIMAGE;
      ex_style |= WS_EX_STATICEDGE;
      break;
    case Kind::kEdit:
    case Kind::kMaskEdit:
    case Kind::kLabeledEdit:
      window_class = L"EDIT";
      style |= ES_AUTOHSCROLL | WS_TABSTOP;
      ex_style |= WS_EX_CLIENTEDGE;
      if (c.style & kPassword) style |= ES_PASSWORD;
      break;
    case Kind::kComboBox:
      window_class = L"COMBOBOX";
      style |= WS_TABSTOP | WS_VSCROLL | (c.selected >= 0 ? CBS_DROPDOWNLIST : CBS_DROPDOWN);
      break;
    case Kind::kListBox:
      window_class = L"LISTBOX";
      style |= WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;
      ex_style |= WS_EX_CLIENTEDGE;
      break;
    case Kind::kProgressBar:
      window_class = PROGRESS_CLASSW;
      break;
    default:
      break;
  }
  if (c.kind == Kind::kLabeledEdit) {
    HWND label = CreateWindowExW(0, L"STATIC", Wide(c.caption).c_str(),
                                 WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, c.x, c.y - 16, c.width,
                                 14, page, nullptr, Instance(), nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
  HWND window = CreateWindowExW(
      ex_style, window_class, c.kind == Kind::kMaskEdit ? L"" : text.c_str(), style, c.x, c.y,
      c.width, c.height, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstId + row)),
      Instance(), nullptr);
  handles_[c.name] = window;
  controls_[window] = &c;
  SendMessageW(window, WM_SETFONT,
               reinterpret_cast<WPARAM>((c.style & kLargeFont) ? large_font_ : font_), FALSE);
  if (c.max_length > 0) SendMessageW(window, EM_LIMITTEXT, static_cast<WPARAM>(c.max_length), 0);
  if (c.kind == Kind::kEdit || c.kind == Kind::kLabeledEdit) AttachKeyFilter(window, c.filter);
  if (c.kind == Kind::kMaskEdit) AttachMask(window, c.mask, c.text);
  if (c.kind == Kind::kComboBox) {
    for (const auto& item : c.items)
      SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
    SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(c.selected), 0);
  }
}

void FormWindow::CreateRadioGroup(std::size_t row, HWND page) {
  const Control& c = FormControls()[row];
  HWND group = CreateWindowExW(0, L"BUTTON", Wide(c.caption).c_str(),
                               WS_CHILD | WS_VISIBLE | BS_GROUPBOX, c.x, c.y, c.width, c.height,
                               page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstId + row)),
                               Instance(), nullptr);
  SendMessageW(group, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  handles_[c.name] = group;
  controls_[group] = &c;
  const int n = static_cast<int>(c.items.size());
  const int column = (c.width - 16) / (n > 0 ? n : 1);
  for (int i = 0; i < n; ++i) {
    DWORD style = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0);
    HWND radio =
        CreateWindowExW(0, L"BUTTON", Wide(c.items[static_cast<std::size_t>(i)]).c_str(), style,
                        c.x + 8 + i * column, c.y + 14, column - 4, 18, page,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstRadioId + row * 10 + i)),
                        Instance(), nullptr);
    SendMessageW(radio, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageW(radio, BM_SETCHECK, i == c.selected ? BST_CHECKED : BST_UNCHECKED, 0);
    radios_[c.name].push_back(radio);
  }
  radio_selected_[c.name] = c.selected;
}

void FormWindow::ShowPage(int tab) {
  if (tab < 0 || tab >= static_cast<int>(tab_pages_.size())) return;
  SendMessageW(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
  HWND shown = pages_[static_cast<std::size_t>(tab_pages_[static_cast<std::size_t>(tab)])];
  for (HWND page : pages_) {
    if (page != shown) ShowWindow(page, SW_HIDE);
  }
  ShowWindow(shown, SW_SHOW);
}

HWND FormWindow::Handle(const std::string& control) const {
  auto it = handles_.find(control);
  return it == handles_.end() ? nullptr : it->second;
}

LRESULT CALLBACK FormWindow::FormProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, w, l);
  return self->OnMessage(message, w, l);
}

// Pages pass their controls' notifications and colour requests to the form.
LRESULT CALLBACK FormWindow::PageProc(HWND page, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return SendMessageW(GetParent(page), message, w, l);
    default:
      return DefWindowProcW(page, message, w, l);
  }
}

LRESULT FormWindow::OnMessage(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(w), HIWORD(w));
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(l);
      if (header->hwndFrom == tabs_ && header->code == TCN_SELCHANGE)
        ShowPage(static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)));
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      return Colour(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l));
    case WM_TIMER:
      if (w == kServeTimer && console_) console_->Serve();
      return 0;
    case WM_CLOSE:
      TryClose();
      return 0;
    case WM_DESTROY:
      KillTimer(form_, kServeTimer);
      closed_ = true;
      return 0;
    default:
      return DefWindowProcW(form_, message, w, l);
  }
}

LRESULT FormWindow::Colour(HDC dc, HWND control) {
  auto it = controls_.find(control);
  const unsigned style = it == controls_.end() ? 0 : it->second->style;
  SetBkMode(dc, TRANSPARENT);
  if (style & kLimeOnBlack) {
    SetTextColor(dc, RGB(0, 255, 0));
    return reinterpret_cast<LRESULT>(black_);
  }
  if (style & kRed) SetTextColor(dc, RGB(255, 0, 0));
  if (style & kBlue) SetTextColor(dc, RGB(0, 0, 255));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void FormWindow::OnCommand(int id, int code) {
  if (!console_) return;
  const auto& table = FormControls();
  if (id >= kFirstRadioId && id < kFirstMenuId) {
    const std::size_t row = static_cast<std::size_t>(id - kFirstRadioId) / 10;
    const int item = (id - kFirstRadioId) % 10;
    if (code != BN_CLICKED || row >= table.size()) return;
    const std::string& group = table[row].name;
    if (radio_selected_[group] == item) return;
    radio_selected_[group] = item;
    console_->Click(group);
    return;
  }
  if (id < kFirstId || id >= kFirstId + static_cast<int>(table.size())) return;
  const Control& c = table[static_cast<std::size_t>(id - kFirstId)];
  if (c.kind == Kind::kButton && code == BN_CLICKED) console_->Click(c.name);
  if ((c.kind == Kind::kEdit || c.kind == Kind::kLabeledEdit) && code == EN_CHANGE && !building_)
    console_->Changed(c.name);
}

void FormWindow::TryClose() {
  // A download holds the port and this thread's stack: it must end first.
  if (!console_ || !console_->CanClose()) return;
  console_->FormClose();
  DestroyWindow(form_);
}

std::string FormWindow::Text(const std::string& control) {
  HWND window = Handle(control);
  if (!window) return {};
  if (IsMasked(window)) return MaskedEditText(window);
  return Utf8(WindowText(window));
}

void FormWindow::SetText(const std::string& control, const std::string& text) {
  HWND window = Handle(control);
  if (!window) return;
  if (IsMasked(window)) {
    SetMaskedEditText(window, text);
    return;
  }
  const Control* c = FindControl(control);
  if (c && c->kind == Kind::kComboBox && c->selected >= 0) {
    SendMessageW(window, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(Wide(text).c_str()));
    return;
  }
  SetWindowTextW(window, Wide(text).c_str());
}

int FormWindow::Selected(const std::string& control) {
  auto radio = radio_selected_.find(control);
  if (radio != radio_selected_.end()) return radio->second;
  HWND window = Handle(control);
  return window ? static_cast<int>(SendMessageW(window, CB_GETCURSEL, 0, 0)) : -1;
}

void FormWindow::Message(const std::string& text, Icon icon) {
  MessageBoxW(nullptr, Wide(text).c_str(), kMessageTitle, MB_OK | MB_TASKMODAL | IconFlags(icon));
}

bool FormWindow::Confirm(const std::string& text) {
  return MessageBoxW(nullptr, Wide(text).c_str(), kMessageTitle,
                     MB_YESNO | MB_TASKMODAL | MB_ICONQUESTION) == IDYES;
}

std::string FormWindow::InputBox(const std::string& title, const std::string& prompt,
                                 const std::string& default_text) {
  return Utf8(RunInputBox(form_, Wide(title), Wide(prompt), Wide(default_text)));
}

HMENU FormWindow::BuildMenu(const std::string& parent) {
  HMENU menu = CreatePopupMenu();
  const auto& table = FormControls();
  for (std::size_t row = 0; row < table.size(); ++row) {
    const Control& c = table[row];
    if (c.parent != parent) continue;
    if (c.kind == Kind::kMenuSeparator) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else if (c.kind == Kind::kMenuItem && (c.style & kActing)) {
      AppendMenuW(menu, MF_STRING, kFirstMenuId + row, Wide(c.caption).c_str());
    } else if (c.kind == Kind::kMenuItem) {
      AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(BuildMenu(c.name)),
                  Wide(c.caption).c_str());
    }
  }
  return menu;
}

std::string FormWindow::Popup(const std::string& menu) {
  HMENU popup = BuildMenu(menu);
  POINT at;
  GetCursorPos(&at);
  const int id = static_cast<int>(TrackPopupMenu(
      popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, form_, nullptr));
  DestroyMenu(popup);
  const auto& table = FormControls();
  if (id < kFirstMenuId || id >= kFirstMenuId + static_cast<int>(table.size())) return {};
  return table[static_cast<std::size_t>(id - kFirstMenuId)].name;
}

void FormWindow::SetProgress(const std::string& control, int position, int maximum) {
  HWND bar = Handle(control);
  SendMessageW(bar, PBM_SETRANGE32, 0, maximum);
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void FormWindow::AddLine(const std::string& list, const std::string& line) {
  SendMessageW(Handle(list), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(line).c_str()));
}

void FormWindow::ClearLines(const std::string& list) {
  SendMessageW(Handle(list), LB_RESETCONTENT, 0, 0);
}

void FormWindow::Repaint(const std::string& control) {
  RedrawWindow(Handle(control), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void FormWindow::SetVisible(const std::string& control, bool visible) {
  ShowWindow(Handle(control), visible ? SW_SHOW : SW_HIDE);
}

void FormWindow::SetEnabled(const std::string& control, bool enabled) {
  EnableWindow(Handle(control), enabled);
  for (HWND radio : radios_[control]) EnableWindow(radio, enabled);
}

void FormWindow::Focus(const std::string& control) { SetFocus(Handle(control)); }

void FormWindow::Close() { PostMessageW(form_, WM_CLOSE, 0, 0); }

}  // namespace icbus::demo::win32
