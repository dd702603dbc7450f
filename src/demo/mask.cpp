#include "demo/mask.h"

namespace icbus::demo {

MaskedText::MaskedText(const std::string& mask) {
  // The mask runs to the first ';' that is not escaped.
  std::size_t i = 0;
  for (; i < mask.size() && mask[i] != ';'; ++i) {
    char c = mask[i];
    if (c == '\\' && i + 1 < mask.size()) {
      slots_.push_back({true, mask[++i]});
    } else if (c == '0' || c == '9') {
      slots_.push_back({false, c});
    } else {
      slots_.push_back({true, c});
    }
  }
  std::string rest = i < mask.size() ? mask.substr(i + 1) : std::string();
  std::size_t semi = rest.find(';');
  std::string save = rest.substr(0, semi);
  if (!save.empty()) save_literals_ = save != "0";
  if (semi != std::string::npos && semi + 1 < rest.size()) blank_ = rest[semi + 1];
  Clear();
}

void MaskedText::Clear() {
  cells_.clear();
  for (const Slot& slot : slots_) cells_.push_back(slot.literal ? slot.ch : ' ');
  cursor_ = 0;
  SkipLiterals();
}

bool MaskedText::Accepts(std::size_t pos, char ch) const {
  return !slots_[pos].literal && ch >= '0' && ch <= '9';
}

void MaskedText::SkipLiterals() {
  while (cursor_ < slots_.size() && slots_[cursor_].literal) ++cursor_;
}

void MaskedText::MoveTo(std::size_t pos) {
  cursor_ = pos < slots_.size() ? pos : slots_.size();
  SkipLiterals();
}

bool MaskedText::Type(char ch) {
  SkipLiterals();
  if (cursor_ >= slots_.size() || !Accepts(cursor_, ch)) return false;
  cells_[cursor_++] = ch;
  SkipLiterals();
  return true;
}

void MaskedText::Backspace() {
  std::size_t pos = cursor_;
  while (pos > 0) {
    --pos;
    if (!slots_[pos].literal) {
      cells_[pos] = ' ';
      cursor_ = pos;
      return;
    }
  }
}

void MaskedText::Delete() {
  SkipLiterals();
  if (cursor_ < slots_.size()) cells_[cursor_] = ' ';
}

std::string MaskedText::Display() const {
  std::string shown = cells_;
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (!slots_[i].literal && shown[i] == ' ') shown[i] = blank_;
  }
  return shown;
}

std::string MaskedText::Text() const {
  std::string text;
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (!slots_[i].literal || save_literals_) text += cells_[i];
  }
  return text;
}

void MaskedText::SetText(const std::string& text) {
  Clear();
  std::size_t from = 0;
  for (std::size_t i = 0; i < slots_.size() && from < text.size(); ++i) {
    if (slots_[i].literal) {
      // A text with literals carries them in place: step over them.
      if (save_literals_) ++from;
      continue;
    }
    char c = text[from++];
    cells_[i] = Accepts(i, c) ? c : ' ';
  }
  cursor_ = 0;
  SkipLiterals();
}

}  // namespace icbus::demo
