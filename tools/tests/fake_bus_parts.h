// What the fake bus's files share: the bus being recorded into and the
// helpers that record a call and pick its answer.
#pragma once
#include <cstring>
#include <mutex>
#include <string>

#include "fake_bus.h"

namespace icbus::tool::fake {

FakeBus& Bus();

inline std::string Show(int value) { return std::to_string(value); }
inline std::string Show(const char* text) {
  return text ? "\"" + std::string(text) + "\"" : std::string("null");
}
std::string Show(double value);

// Workers of several ports call from their own threads.
std::mutex& CallMutex();

template <typename... Args>
void Note(const std::string& name, Args... args) {
  std::lock_guard<std::mutex> lock(CallMutex());
  std::string text;
  ((text += (text.empty() ? "" : ", ") + Show(args)), ...);
  Bus().calls.push_back(name + "(" + text + ")");
}

// The answer for `name`: its entry in `results`, else `result`.
int Answer(const std::string& name);
double AmountAnswer(const std::string& name);

// Records the call and answers it.
template <typename... Args>
int Call(const std::string& name, Args... args) {
  Note(name, args...);
  return Answer(name);
}

template <typename... Args>
double AmountCall(const std::string& name, Args... args) {
  Note(name, args...);
  return AmountAnswer(name);
}

// Writes `text` into `out` when the answer is 1, as the library writes its
// buffers only on success.
inline int Fill(int result, char* out, const std::string& text) {
  if (result == 1) std::memcpy(out, text.c_str(), text.size() + 1);
  return result;
}

// Takes the next reply of `queue`, or `empty` when none is left, and writes
// its text (when it has one) into `out`.
int Reply(std::deque<FakeReply>* queue, const FakeReply& empty, char* out);

void AddLinkFakes(BusApi* api);
void AddExtensionFakes(BusApi* api);  // fast replies, sessions, the probe      // session, decimal
                                      // setting, clock and clearing
void AddTerminalFakes(BusApi* api);   // card lists, identity, schedules
void AddRecordFakes(BusApi* api);     // counts, downloads, the real-time poll
void AddCardFakes(BusApi* api);       // card writer and top-up machine

}  // namespace icbus::tool::fake
