// Edit masks "MASK;SAVE;BLANK": the position rules of a masked edit, apart
// from any window. MASK: '0' a required digit, '9' an optional digit, '\'
// makes the next character a literal, anything else is a literal. SAVE '0'
// leaves the literals out of the text. BLANK is shown in untyped positions,
// which read as spaces in the text.
#pragma once
#include <string>
#include <vector>

namespace icbus::demo {

class MaskedText {
 public:
  explicit MaskedText(const std::string& mask);

  std::size_t size() const { return cells_.size(); }
  bool IsLiteral(std::size_t pos) const { return slots_[pos].literal; }
  std::size_t cursor() const { return cursor_; }
  // Places the cursor (clamped to the end), then past any literals.
  void MoveTo(std::size_t pos);

  // Overwrites the cursor's position with a typed character and moves on.
  // False (nothing changes) when the position does not accept it or the
  // cursor stands at the end.
  bool Type(char ch);
  // Blank the position before the cursor (and move there) / at the cursor.
  void Backspace();
  void Delete();
  void Clear();

  // What the control shows: literals in place, BLANK in untyped positions.
  std::string Display() const;
  // The control's text under the SAVE rule; untyped positions are spaces.
  std::string Text() const;
  // Loads a text as the control's text would be: with the literals when
  // SAVE keeps them, else the typed positions only.
  void SetText(const std::string& text);

 private:
  struct Slot {
    bool literal;
    char ch;  // the literal, or the mask character '0' / '9'
  };
  bool Accepts(std::size_t pos, char ch) const;
  void SkipLiterals();

  std::vector<Slot> slots_;
  std::string cells_;  // typed character or ' ' per position; literals in place
  bool save_literals_ = true;
  char blank_ = '_';
  std::size_t cursor_ = 0;
};

}  // namespace icbus::demo
