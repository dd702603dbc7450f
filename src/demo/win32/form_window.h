// TfrmDemo: the console's window, built from the form table with real
// Win32 controls, and the View the console core works through.
#pragma once
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "demo/console.h"
#include "demo/form.h"
#include "demo/view.h"
#include "demo/win32/control_ids.h"

namespace icbus::demo::win32 {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

class FormWindow final : public View {
 public:
  FormWindow();
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  // Creates the window and its controls, shows it and runs its modal loop
  // until it has been closed. Returns false when the window could not be made.
  bool ShowModal();

  // View.
  std::string Text(const std::string& control) override;
  void SetText(const std::string& control, const std::string& text) override;
  int Selected(const std::string& control) override;
  void Message(const std::string& text, Icon icon) override;
  bool Confirm(const std::string& text) override;
  std::string InputBox(const std::string& title, const std::string& prompt,
                       const std::string& default_text) override;
  std::string Popup(const std::string& menu) override;
  void SetProgress(const std::string& control, int position, int maximum) override;
  void AddLine(const std::string& list, const std::string& line) override;
  void ClearLines(const std::string& list) override;
  void Repaint(const std::string& control) override;
  void SetVisible(const std::string& control, bool visible) override;
  void SetEnabled(const std::string& control, bool enabled) override;
  void Focus(const std::string& control) override;
  void Close() override;

 private:
  static LRESULT CALLBACK FormProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK PageProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT OnMessage(UINT message, WPARAM w, LPARAM l);
  LRESULT Colour(HDC dc, HWND control);
  void OnCommand(int id, int code);
  void Create();
  void CreatePages();
  void CreateControl(std::size_t row);
  void CreateRadioGroup(std::size_t row, HWND page);
  HMENU BuildMenu(const std::string& parent);
  void ShowPage(int tab);
  HWND Handle(const std::string& control) const;
  void TryClose();

  HWND form_ = nullptr;
  HWND tabs_ = nullptr;
  HFONT font_ = nullptr;
  HFONT large_font_ = nullptr;
  HBRUSH black_ = nullptr;
  std::vector<HWND> pages_;     // in tab order, TabSheet5 included
  std::vector<int> tab_pages_;  // tab index -> index in pages_
  std::map<std::string, HWND> handles_;
  std::map<HWND, const Control*> controls_;
  std::map<std::string, std::vector<HWND>> radios_;
  std::map<std::string, int> radio_selected_;
  bool building_ = true;
  bool closed_ = false;
  std::unique_ptr<Console> console_;
};

}  // namespace icbus::demo::win32
