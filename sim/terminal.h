// A bus terminal (window, attendance, timer, water controller, top-up
// machine): answers its address frames and the terminal commands, keeps what
// it was told so tests and people can read it back, and holds the records
// and live swipes a host collects.
//
// Records stay stored until "SJ!" clears them. Each selection ("SA") starts
// reading at the first record and the first backup record again, so a
// download that broke off is simply done again from the start, and the
// count answered to "SK!" is always the number a download delivers.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "device.h"
#include "record_store.h"

namespace icbus::sim {

struct TerminalConfig {
  int machine = 1;
  int management_card = 0;
  std::string clock = "20260101080000";
  TerminalKind kind = TerminalKind::kWindow;
  int decimals = 1;                  // amount format: 1 tenths, 2 hundredths
  std::vector<std::string> records;  // delivered in order to "SC!"
  int generated = 0;                 // records generated so far, numbered on from here
  std::vector<std::string> backup;   // delivered in order to "SB!"; kept by "SJ!"
  long long total = 0;               // window terminal: amount of the records, in its unit
  std::map<int, int> kind_counts;    // "SK<d>!": count for kind d (absent: all records)
  bool count_error = false;          // answer "ERR" to every "SK"
  bool drops_sent = false;           // forget each record once it was sent
  std::deque<std::string> swipes;    // live swipes, one answered per "SY" poll
  char machine_type = ' ';           // the fourth character of "SV"
  std::string ic_password = "FFFFFFFFFFFF";
  int style = 0;  // 0 loss-reporting, 1 account-opening
  bool in_service = true;
  bool reader_mode = false;
  // "SQ" is both the query of the first list and the removal from the second;
  // a terminal of the querying kind answers "1"/"0", the other removes.
  bool answers_query = true;
  std::set<std::string> cards;     // first list
  std::set<std::string> cards_ex;  // second list
  // Every setting command received ("SU", "SH", "SI", "SO" with 18 bytes...)
  // by its two letters, in order.
  std::map<std::string, std::vector<std::string>> settings;
};

// The most records a terminal can count: "SK!" answers five digits.
constexpr int kMaxRecords = 99999;
// The highest total a window terminal can answer: 6 digits of tenths or 8
// of hundredths.
long long MaxTotal(int decimals);

// Replaces the records with `count` generated ones of the terminal's kind and
// decimal places, and sets the total to their amount.
void FillRecords(TerminalConfig* config, int count);
// Stores `count` more generated records, unlike those generated before, and
// adds their amount to the total. Refuses (false, with the reason in `*why`)
// when the count or the total would pass what the terminal can answer.
bool AddRecords(TerminalConfig* config, int count, std::string* why);

class Terminal : public Device {
 public:
  explicit Terminal(const TerminalConfig& config) : state_(config) {}
  bool Selected() const override { return selected_; }
  std::string Describe() const override;
  const TerminalConfig& state() const { return state_; }
  TerminalConfig& state() { return state_; }
  // Lets the clock run on `millis` (a steady count of milliseconds) from
  // now: "SD!" then answers the time set (or configured) plus the whole
  // seconds passed since. A clock text that is not a date (yyyymmddhhnnss) stands still,
  // and without a source every clock does, as the tests in virtual time
  // expect. The state keeps the time as it was last set.
  void RunClock(std::function<long long()> millis);

 protected:
  std::optional<Reply> Answer(const Frame& frame) override;

 private:
  std::optional<Reply> AnswerAddress(const std::string& text);
  std::optional<Reply> AnswerBroadcast(const std::string& head, const std::string& arg);
  std::optional<Reply> AnswerData(const std::string& text);
  std::optional<Reply> AnswerList(const std::string& head, const std::string& arg);
  std::optional<Reply> AnswerRecords(const std::string& head, const std::string& arg);
  std::optional<Reply> AnswerSwipePoll(const std::string& arg);
  std::string CountReply(const std::string& arg) const;
  std::string ClockNow() const;
  TerminalConfig state_;
  std::function<long long()> millis_;  // none: the clock stands still
  long long clock_set_at_ = 0;         // millis_() when the clock was last set
  bool selected_ = false;
  std::size_t next_record_ = 0;  // read positions, back at the start on each selection
  std::size_t next_backup_ = 0;
};

}  // namespace icbus::sim
