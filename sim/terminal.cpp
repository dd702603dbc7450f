#include "terminal.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

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

// `value` in `width` digits, the highest ones dropped as a terminal's fixed
// field drops them.
std::string Digits(long long value, int width) {
  long long limit = 1;
  for (int i = 0; i < width; ++i) limit *= 10;
  char text[24];
  std::snprintf(text, sizeof text, "%0*lld", width, value % limit);
  return text;
}

// `clock` (yyyymmddhhnnss) `seconds` later, in the calendar without zones
// or summer time, as a terminal's clock counts; empty when `clock` is not a
// date.
std::string LaterClock(const std::string& clock, long long seconds) {
  if (clock.size() != 14 || !AllDigits(clock)) return "";
  auto field = [&](std::size_t at, std::size_t width) {
    return std::atoi(clock.substr(at, width).c_str());
  };
  std::tm date{};
  date.tm_year = field(0, 4) - 1900;
  date.tm_mon = field(4, 2) - 1;
  date.tm_mday = field(6, 2);
  date.tm_hour = field(8, 2);
  date.tm_min = field(10, 2);
  date.tm_sec = field(12, 2);
  std::tm given = date;
  std::time_t at = ::timegm(&date);
  // timegm() carries fields that are out of range into the next: then the
  // text was no date.
  if (date.tm_mon != given.tm_mon || date.tm_mday != given.tm_mday ||
      date.tm_hour != given.tm_hour || date.tm_min != given.tm_min || date.tm_sec != given.tm_sec) {
    return "";
  }
  at += static_cast<std::time_t>(seconds);
  std::tm later{};
  if (!::gmtime_r(&at, &later)) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", later.tm_year + 1900,
                later.tm_mon + 1, later.tm_mday, later.tm_hour, later.tm_min, later.tm_sec);
  return std::strlen(text) == 14 ? text : "";
}

constexpr char kNoSwipe[] = "000000";

const Reply kDone = Say("DONE");
const Reply kErr = Say("ERR");

}  // namespace

long long MaxTotal(int decimals) { return decimals == 2 ? 99999999 : 999999; }

void FillRecords(TerminalConfig* config, int count) {
  config->records =
      GenerateRecords(config->kind, config->decimals, config->machine, count, &config->total);
  config->generated = count;
}

bool AddRecords(TerminalConfig* config, int count, std::string* why) {
  if (count > kMaxRecords - static_cast<long long>(config->records.size())) {
    *why = "it would hold more than " + std::to_string(kMaxRecords) +
           " records, which its count cannot show";
    return false;
  }
  long long amount = 0;
  std::vector<std::string> more = GenerateRecords(config->kind, config->decimals, config->machine,
                                                  count, &amount, config->generated);
  if (config->total + amount > MaxTotal(config->decimals)) {
    *why = "its total would pass " + std::to_string(MaxTotal(config->decimals)) +
           ", which it cannot show";
    return false;
  }
  config->records.insert(config->records.end(), more.begin(), more.end());
  config->total += amount;
  config->generated += count;
  return true;
}

std::string Terminal::Describe() const {
  char text[96];
  std::snprintf(text, sizeof text, "terminal %03d (management card %06d)", state_.machine,
                state_.management_card);
  return text;
}

void Terminal::RunClock(std::function<long long()> millis) {
  millis_ = std::move(millis);
  clock_set_at_ = millis_ ? millis_() : 0;
}

std::string Terminal::ClockNow() const {
  if (!millis_) return state_.clock;
  std::string later = LaterClock(state_.clock, (millis_() - clock_set_at_) / 1000);
  return later.empty() ? state_.clock : later;
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
  if (head == "SY") return AnswerSwipePoll(arg);
  if (head != "SA") return AnswerBroadcast(head, arg);
  selected_ = false;
  if (!AllDigits(arg) || (arg.size() != 3 && arg.size() != 9)) return std::nullopt;
  if (std::atoi(arg.substr(0, 3).c_str()) != state_.machine) return std::nullopt;
  if (arg.size() == 9 && std::atoi(arg.substr(3).c_str()) != state_.management_card) {
    return std::nullopt;
  }
  selected_ = true;
  next_record_ = 0;
  next_backup_ = 0;
  return Say("OK");
}

// The poll names the machine in at least three digits; only that terminal
// answers, with its oldest swipe not yet reported.
std::optional<Reply> Terminal::AnswerSwipePoll(const std::string& arg) {
  if (arg.size() < 3 || arg.size() > 6 || !AllDigits(arg) ||
      std::atoi(arg.c_str()) != state_.machine) {
    return std::nullopt;
  }
  if (state_.swipes.empty()) return Say(kNoSwipe);
  std::string swipe = state_.swipes.front();
  state_.swipes.pop_front();
  return Say(swipe);
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
  if (text == "SD") return Say(ClockNow());
  if (head == "SE") {
    if (arg.size() != 14 || !AllDigits(arg)) return kErr;
    state_.clock = arg;
    clock_set_at_ = millis_ ? millis_() : 0;
    return kDone;
  }
  if (text == "SJ") {
    // The backup store outlives clearing: it is there for when a download
    // was lost after the records were cleared.
    state_.records.clear();
    state_.total = 0;
    state_.kind_counts.clear();
    next_record_ = 0;
    return kDone;
  }
  if (head == "SC" || head == "SB" || head == "SK") return AnswerRecords(head, arg);
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

std::optional<Reply> Terminal::AnswerRecords(const std::string& head, const std::string& arg) {
  if (head == "SK") return Say(CountReply(arg));
  if (!arg.empty()) return kErr;
  const std::vector<std::string>& store = head == "SC" ? state_.records : state_.backup;
  std::size_t& next = head == "SC" ? next_record_ : next_backup_;
  if (next >= store.size()) return Say("OVER");
  if (head == "SC" && state_.drops_sent) {
    // Such a terminal keeps no record it has sent: a reply lost on the way
    // loses the record, and the next download starts with the ones after it.
    std::string record = state_.records.front();
    state_.records.erase(state_.records.begin());
    return Say(record);
  }
  return Say(store[next++]);
}

// Five digits of count; a window terminal adds the total amount of its
// records in its own unit (6 digits of tenths or 8 of hundredths).
std::string Terminal::CountReply(const std::string& arg) const {
  if (state_.count_error) return "ERR";
  long long count = static_cast<long long>(state_.records.size());
  if (!arg.empty()) {
    if (arg.size() != 1 || !AllDigits(arg)) return "ERR";
    auto kind = state_.kind_counts.find(arg[0] - '0');
    if (kind != state_.kind_counts.end()) count = kind->second;
    return Digits(count, 5);
  }
  std::string reply = Digits(count, 5);
  if (state_.kind == TerminalKind::kWindow) {
    reply += Digits(state_.total, state_.decimals == 2 ? 8 : 6);
  }
  return reply;
}

}  // namespace icbus::sim
