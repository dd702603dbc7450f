// A view that records what the console does to it and answers its dialogs
// from queues the test fills. Controls start with the form table's default
// texts, selections and visibility.
#pragma once
#include <deque>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "demo/view.h"

namespace icbus::test {

struct Shown {
  std::string text;
  demo::Icon icon;
  bool operator==(const Shown& other) const { return text == other.text && icon == other.icon; }
};

inline void PrintTo(const Shown& shown, std::ostream* os) {
  *os << (shown.icon == demo::Icon::kError      ? "error "
          : shown.icon == demo::Icon::kQuestion ? "question "
                                                : "info ")
      << '"' << shown.text << '"';
}

struct Asked {
  std::string title, prompt, default_text;
  bool operator==(const Asked& o) const {
    return title == o.title && prompt == o.prompt && default_text == o.default_text;
  }
};

class FakeView : public demo::View {
 public:
  FakeView();

  // Dialog answers, taken in order. An input box without a queued answer is
  // cancelled (gives its default); a confirmation without one fails the test.
  std::deque<std::string> inputs;
  std::deque<bool> confirmations;
  std::string popup_choice;

  std::vector<Shown> messages;
  std::vector<std::string> confirmed;  // confirmation texts asked
  std::vector<Asked> asked;
  std::vector<std::string> popups;
  std::map<std::string, std::string> texts;
  std::map<std::string, int> selected;
  std::map<std::string, bool> visible;
  std::map<std::string, bool> enabled;
  std::map<std::string, std::vector<std::string>> lines;
  struct Progress {
    int position = 0, maximum = 100;
  };
  std::map<std::string, Progress> progress;
  std::vector<std::string> progress_texts;  // Label41 after every change
  std::map<std::string, int> repaints;
  std::string focused;
  int closes = 0;

  std::string Text(const std::string& control) override;
  void SetText(const std::string& control, const std::string& text) override;
  int Selected(const std::string& control) override;
  void Message(const std::string& text, demo::Icon icon) override;
  bool Confirm(const std::string& text) override;
  std::string InputBox(const std::string& title, const std::string& prompt,
                       const std::string& default_text) override;
  std::string Popup(const std::string& menu) override;
  void SetProgress(const std::string& control, int position, int maximum) override;
  void AddLine(const std::string& list, const std::string& line) override;
  void ClearLines(const std::string& list) override;
  void Repaint(const std::string& control) override;
  void SetVisible(const std::string& control, bool shown) override;
  void SetEnabled(const std::string& control, bool on) override;
  void Focus(const std::string& control) override;
  void Close() override;
};

}  // namespace icbus::test
