// What the console's handlers need from a window: texts of controls, the
// dialogs, the progress bar and the list. The Win32 view implements it with
// real controls; tests implement it with a recording fake. Controls are
// named as in the form table (form.h); all texts are UTF-8.
#pragma once
#include <string>

namespace icbus::demo {

enum class Icon { kInformation, kError, kQuestion };

class View {
 public:
  virtual ~View() = default;

  // The text of an edit (a masked edit's text follows its mask's save rule),
  // a label, a panel, a button's caption or a combo box's shown text.
  virtual std::string Text(const std::string& control) = 0;
  virtual void SetText(const std::string& control, const std::string& text) = 0;
  // Index of the selected item of a combo box or radio group, -1 for none.
  virtual int Selected(const std::string& control) = 0;

  // Owner-less message box titled "系统信息" with one OK button.
  virtual void Message(const std::string& text, Icon icon) = 0;
  // Yes/No box with the question icon, titled "系统信息"; true for Yes.
  virtual bool Confirm(const std::string& text) = 0;
  // Modal input box: OK gives the edit's text; Cancel, Escape and the close
  // box give `default_text`.
  virtual std::string InputBox(const std::string& title, const std::string& prompt,
                               const std::string& default_text) = 0;
  // Shows a popup menu at the mouse cursor; the chosen item's name, or ""
  // when it was dismissed.
  virtual std::string Popup(const std::string& menu) = 0;

  virtual void SetProgress(const std::string& control, int position, int maximum) = 0;
  virtual void AddLine(const std::string& list, const std::string& line) = 0;
  virtual void ClearLines(const std::string& list) = 0;

  virtual void Repaint(const std::string& control) = 0;
  virtual void SetVisible(const std::string& control, bool visible) = 0;
  virtual void SetEnabled(const std::string& control, bool enabled) = 0;
  virtual void Focus(const std::string& control) = 0;
  // Ends the modal loop (the same path as the close box).
  virtual void Close() = 0;
};

}  // namespace icbus::demo
