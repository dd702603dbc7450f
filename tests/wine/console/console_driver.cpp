#include "console/console_driver.h"

#include <commctrl.h>

#include <vector>

#include "console/png_file.h"
#include "demo/form.h"
#include "demo/win32/control_ids.h"

namespace icbus::wine {
namespace {

constexpr int kStep = 25;
constexpr UINT kSendTimeoutMs = 5000;
constexpr int kMessageTextId = 0xFFFF;

struct Search {
  int id;
  HWND found;
};

BOOL CALLBACK FindById(HWND child, LPARAM l) {
  auto* search = reinterpret_cast<Search*>(l);
  if (GetDlgCtrlID(child) != search->id) return TRUE;
  search->found = child;
  return FALSE;
}

LRESULT Send(HWND window, UINT message, WPARAM w, LPARAM l) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, w, l, SMTO_NORMAL, kSendTimeoutMs, &result);
  return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  Send(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

}  // namespace

bool ConsoleDriver::WaitForForm(int timeout_ms) {
  for (int waited = 0; waited < timeout_ms; waited += kStep) {
    form_ = FindWindowW(demo::win32::kFormClass, nullptr);
    if (form_ && IsWindowVisible(form_)) return true;
    Sleep(kStep);
  }
  return false;
}

HWND ConsoleDriver::Control(const std::string& name) const {
  const auto& table = demo::FormControls();
  int id = -1;
  for (std::size_t row = 0; row < table.size(); ++row) {
    if (table[row].name == name) id = demo::win32::kFirstId + static_cast<int>(row);
  }
  if (id < 0 || !form_) return nullptr;
  Search search{id, nullptr};
  EnumChildWindows(form_, FindById, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void ConsoleDriver::SelectPage(const std::string& page) {
  int tab = 0;
  for (const auto& c : demo::FormControls()) {
    if (c.kind != demo::Kind::kPage || !c.visible) continue;
    if (c.name == page) break;
    ++tab;
  }
  HWND tabs = FindWindowExW(form_, nullptr, L"SysTabControl32", nullptr);
  Send(tabs, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
  NMHDR header{tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)), TCN_SELCHANGE};
  Send(form_, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void ConsoleDriver::SetText(const std::string& control, const std::wstring& text) {
  Send(Control(control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ConsoleDriver::Type(const std::string& control, const std::wstring& keys) {
  HWND edit = Control(control);
  for (wchar_t key : keys) Send(edit, WM_CHAR, key, 1);
}

std::wstring ConsoleDriver::Text(const std::string& control) const {
  return TextOf(Control(control));
}

void ConsoleDriver::Click(const std::string& control) {
  HWND button = Control(control);
  // Posted: the click may open a modal box, which this thread answers.
  PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

bool ConsoleDriver::Enabled(const std::string& control) const {
  return IsWindowEnabled(Control(control)) != FALSE;
}

int ConsoleDriver::ListCount(const std::string& list) const {
  return static_cast<int>(Send(Control(list), LB_GETCOUNT, 0, 0));
}

std::wstring ConsoleDriver::ListLine(const std::string& list, int index) const {
  wchar_t line[256] = {};
  Send(Control(list), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line));
  return line;
}

std::optional<ShownBox> ConsoleDriver::WaitForBox(const std::wstring& title, int timeout_ms) {
  for (int waited = 0; waited < timeout_ms; waited += kStep) {
    HWND box = FindWindowW(L"#32770", title.c_str());
    if (box && IsWindowVisible(box)) {
      Sleep(100);  // let it paint, for a person watching the screen
      ShownBox shown{box, {}};
      if (HWND text = GetDlgItem(box, kMessageTextId)) shown.text = TextOf(text);
      return shown;
    }
    Sleep(kStep);
  }
  return std::nullopt;
}

void ConsoleDriver::Press(const ShownBox& box, int button) {
  PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  for (int waited = 0; waited < 5000 && IsWindow(box.window); waited += kStep) Sleep(kStep);
}

bool ConsoleDriver::AnswerInput(const std::wstring& title, const std::wstring& answer) {
  auto box = WaitForBox(title);
  if (!box) return false;
  if (answer.empty()) {
    Press(*box, IDCANCEL);
    return true;
  }
  Send(GetDlgItem(box->window, demo::win32::kInputEditId), WM_SETTEXT, 0,
       reinterpret_cast<LPARAM>(answer.c_str()));
  Press(*box, IDOK);
  return true;
}

bool ConsoleDriver::WaitForText(const std::string& control, const std::wstring& text,
                                int timeout_ms) {
  for (int waited = 0; waited < timeout_ms; waited += kStep) {
    if (Text(control) == text) return true;
    Sleep(kStep);
  }
  return false;
}

bool ConsoleDriver::Screenshot(const std::string& path) {
  RedrawWindow(form_, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Sleep(400);
  RECT rect;
  GetWindowRect(form_, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  std::vector<std::uint8_t> rgb;
  rgb.reserve(static_cast<std::size_t>(width) * height * 3);
  const auto* pixels = static_cast<const std::uint8_t*>(bits);
  for (int i = 0; i < width * height; ++i) {
    rgb.push_back(pixels[i * 4 + 2]);
    rgb.push_back(pixels[i * 4 + 1]);
    rgb.push_back(pixels[i * 4]);
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return WritePng(path, width, height, rgb);
}

void ConsoleDriver::Close() { PostMessageW(form_, WM_CLOSE, 0, 0); }

}  // namespace icbus::wine
