#include "terminal.h"

#include <cstdio>
#include <cstdlib>

namespace icbus::sim {
namespace {

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

Reply Say(const std::string& word) { return Reply{word + "!", 0}; }

}  // namespace

std::string Terminal::Describe() const {
  char text[96];
  std::snprintf(text, sizeof text, "terminal %03d (management card %06d)", state_.machine,
                state_.management_card);
  return text;
}

std::optional<Reply> Terminal::Answer(const Frame& frame) {
  if (frame.bytes.size() < 3 || frame.bytes[0] != 'S' || frame.bytes.back() != '!') {
    return std::nullopt;
  }
  std::string text = frame.bytes.substr(0, frame.bytes.size() - 1);
  if (frame.mode == Mode::kAddress) return AnswerAddress(text);
  if (frame.mode == Mode::kData && selected_) return AnswerData(text);
  return std::nullopt;
}

// "SA" + machine (3 digits) [+ management card (6 digits)]. An address frame
// for another terminal deselects this one, as the ninth bit does on the bus.
std::optional<Reply> Terminal::AnswerAddress(const std::string& text) {
  if (text.rfind("SA", 0) != 0) return std::nullopt;
  std::string digits = text.substr(2);
  selected_ = false;
  if (!AllDigits(digits) || (digits.size() != 3 && digits.size() != 9)) return std::nullopt;
  if (std::atoi(digits.substr(0, 3).c_str()) != state_.machine) return std::nullopt;
  if (digits.size() == 9 && std::atoi(digits.substr(3).c_str()) != state_.management_card) {
    return std::nullopt;
  }
  selected_ = true;
  return Say("OK");
}

std::optional<Reply> Terminal::AnswerData(const std::string& text) {
  if (text == "SZ") {
    selected_ = false;
    return std::nullopt;
  }
  if (text == "SD") return Say(state_.clock);
  if (text.rfind("SE", 0) == 0 && text.size() == 16 && AllDigits(text.substr(2))) {
    state_.clock = text.substr(2);
    return Say("DONE");
  }
  if (text == "SJ") {
    state_.records = 0;
    return Say("DONE");
  }
  return Say("ERR");
}

}  // namespace icbus::sim
