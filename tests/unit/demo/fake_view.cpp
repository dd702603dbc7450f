#include "demo/fake_view.h"

#include <gtest/gtest.h>

#include "demo/form.h"
#include "demo/mask.h"

namespace icbus::test {

FakeView::FakeView() {
  for (const demo::Control& c : demo::FormControls()) {
    visible[c.name] = c.visible;
    enabled[c.name] = true;
    if (c.kind == demo::Kind::kMaskEdit) {
      demo::MaskedText masked(c.mask);
      masked.SetText(c.text);
      texts[c.name] = masked.Text();
    } else if (c.kind == demo::Kind::kButton || c.kind == demo::Kind::kLabel) {
      texts[c.name] = c.caption;
    } else if (c.kind == demo::Kind::kComboBox) {
      texts[c.name] = c.selected >= 0 ? c.items[c.selected] : "";
      selected[c.name] = c.selected;
    } else if (c.kind == demo::Kind::kRadioGroup) {
      selected[c.name] = c.selected;
    } else {
      texts[c.name] = c.text;
    }
  }
}

std::string FakeView::Text(const std::string& control) {
  EXPECT_TRUE(demo::FindControl(control)) << control;
  return texts[control];
}

void FakeView::SetText(const std::string& control, const std::string& text) {
  EXPECT_TRUE(demo::FindControl(control)) << control;
  texts[control] = text;
  if (control == "Label41") progress_texts.push_back(text);
}

int FakeView::Selected(const std::string& control) {
  EXPECT_TRUE(selected.count(control)) << control;
  return selected[control];
}

void FakeView::Message(const std::string& text, demo::Icon icon) {
  messages.push_back({text, icon});
}

bool FakeView::Confirm(const std::string& text) {
  confirmed.push_back(text);
  if (confirmations.empty()) {
    ADD_FAILURE() << "unexpected confirmation: " << text;
    return false;
  }
  bool yes = confirmations.front();
  confirmations.pop_front();
  return yes;
}

std::string FakeView::InputBox(const std::string& title, const std::string& prompt,
                               const std::string& default_text) {
  asked.push_back({title, prompt, default_text});
  if (inputs.empty()) return default_text;
  std::string answer = inputs.front();
  inputs.pop_front();
  return answer;
}

std::string FakeView::Popup(const std::string& menu) {
  popups.push_back(menu);
  return popup_choice;
}

void FakeView::SetProgress(const std::string& control, int position, int maximum) {
  progress[control] = {position, maximum};
}

void FakeView::AddLine(const std::string& list, const std::string& line) {
  lines[list].push_back(line);
}

void FakeView::ClearLines(const std::string& list) { lines[list].clear(); }
void FakeView::Repaint(const std::string& control) { ++repaints[control]; }
void FakeView::SetVisible(const std::string& control, bool shown) { visible[control] = shown; }
void FakeView::SetEnabled(const std::string& control, bool on) { enabled[control] = on; }
void FakeView::Focus(const std::string& control) { focused = control; }
void FakeView::Close() { ++closes; }

}  // namespace icbus::test
