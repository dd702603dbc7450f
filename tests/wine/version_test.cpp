// GetDllVersion shows its text in a message box and returns the box's
// answer. A helper thread finds the box by its title, reads the text and
// presses OK, as a person would.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "library.h"

namespace icbus::wine {
namespace {

// The version text, "动态库版本V4.30" (library version V4.30).
const wchar_t kVersionText[] = L"\u52a8\u6001\u5e93\u7248\u672cV4.30";
const wchar_t kVersionTitle[] = L"Version Info";
// The message text's control in a message box.
constexpr int kMessageTextId = 0xFFFF;

struct BoxSeen {
  bool found = false;
  std::wstring text;
};

DWORD WINAPI PressOkOnTheVersionBox(void* parameter) {
  auto* seen = static_cast<BoxSeen*>(parameter);
  for (int attempt = 0; attempt < 200; ++attempt) {
    HWND box = FindWindowW(L"#32770", kVersionTitle);
    if (box) {
      wchar_t text[64] = {};
      GetDlgItemTextW(box, kMessageTextId, text, 64);
      seen->found = true;
      seen->text = text;
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      return 0;
    }
    Sleep(50);
  }
  return 1;
}

TEST(Version, ShowsTheVersionInAMessageBoxAndReturnsItsAnswer) {
  BoxSeen seen;
  HANDLE helper = CreateThread(nullptr, 0, PressOkOnTheVersionBox, &seen, 0, nullptr);
  ASSERT_NE(helper, nullptr);
  int answer = Library::Get().Call("GetDllVersion", {});
  // Should no box appear, the helper gives up after 10 s and the call has
  // returned by then.
  WaitForSingleObject(helper, 15000);
  CloseHandle(helper);
  ASSERT_TRUE(seen.found) << "no window titled \"Version Info\" appeared (GetDllVersion returned "
                          << answer << ")";
  EXPECT_EQ(seen.text, kVersionText);
  EXPECT_EQ(answer, IDOK);
}

}  // namespace
}  // namespace icbus::wine
