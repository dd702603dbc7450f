// A bus terminal (window, attendance, timer, water controller, ...): answers
// its address frames and the terminal commands, and keeps what it was told
// so tests and people can read it back.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "device.h"

namespace icbus::sim {

struct TerminalConfig {
  int machine = 1;
  int management_card = 0;
  std::string clock = "20260101080000";
  int records = 0;
  char machine_type = ' ';                 // the fourth character of "SV"
  std::string ic_password = "FFFFFFFFFFFF";
  int style = 0;                           // 0 loss-reporting, 1 account-opening
  bool in_service = true;
  bool reader_mode = false;
  // "SQ" is both the query of the first list and the removal from the second;
  // a terminal of the querying kind answers "1"/"0", the other removes.
  bool answers_query = true;
  std::set<std::string> cards;             // first list
  std::set<std::string> cards_ex;          // second list
  // Every setting command received ("SU", "SH", "SI", "SO" with 18 bytes...)
  // by its two letters, in order.
  std::map<std::string, std::vector<std::string>> settings;
};

class Terminal : public Device {
 public:
  explicit Terminal(const TerminalConfig& config) : state_(config) {}
  bool Selected() const override { return selected_; }
  std::string Describe() const override;
  const TerminalConfig& state() const { return state_; }
  TerminalConfig& state() { return state_; }

 protected:
  std::optional<Reply> Answer(const Frame& frame) override;

 private:
  std::optional<Reply> AnswerAddress(const std::string& text);
  std::optional<Reply> AnswerBroadcast(const std::string& head, const std::string& arg);
  std::optional<Reply> AnswerData(const std::string& text);
  std::optional<Reply> AnswerList(const std::string& head, const std::string& arg);
  TerminalConfig state_;
  bool selected_ = false;
};

}  // namespace icbus::sim
