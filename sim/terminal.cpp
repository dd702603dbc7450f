#include "terminal.h"

#include <cstdio>
#include <cctype>
#include <cstdlib>

namespace icbus::sim {
namespace {

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

bool AllHex(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

Reply Say(const std::string& word) { return Reply{word + "!", 0}; }

const Reply kDone = Say("DONE");
const Reply kErr = Say("ERR");

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

// In address mode every terminal listens: "SA" selects (or deselects), the
// broadcast commands reach all, and "ST"/"SL" carry the machine number.
std::optional<Reply> Terminal::AnswerAddress(const std::string& text) {
  std::string head = text.substr(0, 2);
  std::string arg = text.substr(2);
  if (head == "ST" || head == "SL") {
    if (arg.size() != (head == "ST" ? 3u : 4u) || !AllDigits(arg)) return std::nullopt;
    if (std::atoi(arg.substr(0, 3).c_str()) != state_.machine) return std::nullopt;
    if (head == "ST") return Say(state_.in_service ? "1" : "0");
    state_.in_service = arg[3] == '1';
    return kDone;
  }
  if (head != "SA") return AnswerBroadcast(head, arg);
  selected_ = false;
  if (!AllDigits(arg) || (arg.size() != 3 && arg.size() != 9)) return std::nullopt;
  if (std::atoi(arg.substr(0, 3).c_str()) != state_.machine) return std::nullopt;
  if (arg.size() == 9 && std::atoi(arg.substr(3).c_str()) != state_.management_card) {
    return std::nullopt;
  }
  selected_ = true;
  return Say("OK");
}

std::optional<Reply> Terminal::AnswerBroadcast(const std::string& head, const std::string& arg) {
  if (head == "SV") {
    if (arg.size() != 4 || !AllDigits(arg.substr(0, 3))) return kErr;
    state_.machine = std::atoi(arg.substr(0, 3).c_str());
    state_.machine_type = arg[3];
    return kDone;
  }
  if (head == "SM") {
    if (arg.size() != 6 || !AllDigits(arg)) return kErr;
    state_.management_card = std::atoi(arg.c_str());
    return kDone;
  }
  if (head == "SF") return arg == state_.ic_password ? kDone : kErr;
  if (head == "SG") {
    if (arg.size() != 12 || !AllHex(arg)) return kErr;
    state_.ic_password = arg;
    return kDone;
  }
  return std::nullopt;
}

std::optional<Reply> Terminal::AnswerList(const std::string& head, const std::string& arg) {
  if (head == "SO") state_.cards.insert(arg);
  if (head == "SN") state_.cards.erase(arg);
  if (head == "SP") state_.cards.clear();
  if (head == "SR") state_.cards_ex.insert(arg);
  if (head == "SS") state_.cards_ex.clear();
  if (head == "SQ") {
    if (state_.answers_query) return Say(state_.cards.count(arg) ? "1" : "0");
    state_.cards_ex.erase(arg);
  }
  return kDone;
}

std::optional<Reply> Terminal::AnswerData(const std::string& text) {
  std::string head = text.substr(0, 2);
  std::string arg = text.substr(2);
  if (text == "SZ") {
    selected_ = false;
    return std::nullopt;
  }
  if (text == "SD") return Say(state_.clock);
  if (head == "SE") {
    if (arg.size() != 14 || !AllDigits(arg)) return kErr;
    state_.clock = arg;
    return kDone;
  }
  if (text == "SJ") {
    state_.records = 0;
    return kDone;
  }
  if (text == "SX") {
    state_.reader_mode = true;
    return kDone;
  }
  if (text == "SW5") return Say(std::to_string(state_.style));
  if (head == "SW" && arg.size() == 1 && AllDigits(arg)) {
    state_.style = arg[0] - '0';
    return kDone;
  }
  if (head == "SM") {
    if (arg.size() != 6 || !AllDigits(arg)) return kErr;
    state_.management_card = std::atoi(arg.c_str());
    return kDone;
  }
  // An 18-byte "SO" text is what a terminal shows when a card is read.
  if (head == "SO" && arg.size() == 18) {
    state_.settings[head].push_back(arg);
    return kDone;
  }
  if (head == "SO" || head == "SN" || head == "SP" || head == "SR" || head == "SQ" ||
      head == "SS") {
    return AnswerList(head, arg);
  }
  if (head == "SU" || head == "SH" || head == "SI") {
    state_.settings[head].push_back(arg);
    return kDone;
  }
  return kErr;
}

}  // namespace icbus::sim
