// Drives the console's window from another thread, only through window
// messages, as a person at the keyboard would: pages, edits, buttons, the
// message boxes and input boxes the console opens.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace icbus::wine {

struct ShownBox {
  HWND window = nullptr;
  std::wstring text;
};

class ConsoleDriver {
 public:
  // Waits for the console's form to appear.
  bool WaitForForm(int timeout_ms = 10000);
  HWND form() const { return form_; }

  // A control of the form table by name (nullptr when absent).
  HWND Control(const std::string& name) const;
  void SelectPage(const std::string& page);
  void SetText(const std::string& control, const std::wstring& text);
  // Types characters one by one (WM_CHAR), so key filters and masks apply.
  void Type(const std::string& control, const std::wstring& keys);
  std::wstring Text(const std::string& control) const;
  void Click(const std::string& control);
  bool Enabled(const std::string& control) const;
  int ListCount(const std::string& list) const;
  std::wstring ListLine(const std::string& list, int index) const;

  // The dialog titled `title` (a message box titled "系统信息", the input
  // box), once it shows; its message text for a message box.
  std::optional<ShownBox> WaitForBox(const std::wstring& title, int timeout_ms = 10000);
  void Press(const ShownBox& box, int button);
  // Answers an input box with `answer` (or cancels it when empty).
  bool AnswerInput(const std::wstring& title, const std::wstring& answer);
  // Waits until `control` reads `text`.
  bool WaitForText(const std::string& control, const std::wstring& text, int timeout_ms = 10000);

  // Saves the form as it shows on the screen.
  bool Screenshot(const std::string& path);
  void Close();

 private:
  HWND form_ = nullptr;
};

}  // namespace icbus::wine
