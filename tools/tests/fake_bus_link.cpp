// Fakes of the port session, the decimal setting, the clock and clearing.
#include <cstring>

#include "fake_bus_parts.h"

namespace icbus::tool::fake {
namespace {

int ReadClock(int result, char* out) {
  // The library writes the buffer only on success.
  if (result) std::strcpy(out, Bus().clock.c_str());
  return result;
}

// Sessions of their own: distinct addresses that are never dereferenced.
icbus_session* NewSession() {
  static char sessions[64];
  static int used = 0;
  std::lock_guard<std::mutex> lock(CallMutex());
  return reinterpret_cast<icbus_session*>(&sessions[used++ % 64]);
}

}  // namespace

void AddExtensionFakes(BusApi* api) {
  api->set_fast_replies = [](int on) { Note("icbus_set_fast_replies", on); };
  api->session_new = []() {
    Note("icbus_session_new");
    return NewSession();
  };
  api->session_free = [](icbus_session*) { Note("icbus_session_free"); };
  api->session_set_fast_replies = [](icbus_session*, int on) {
    Note("icbus_session_set_fast_replies", on);
  };
  api->session_enter = [](icbus_session*) { Note("icbus_session_enter"); };
  api->session_leave = [](icbus_session*) { Note("icbus_session_leave"); };
  api->probe = [](int machine) {
    Note("icbus_probe", machine);
    FakeBus& bus = Bus();
    bool answers = bus.answering.count(machine) != 0;
    bus.error = answers ? 0 : bus.garbled.count(machine) ? ICBUS_ERR_NO_BANG : ICBUS_ERR_SILENT;
    return answers ? 1 : 0;
  };
  api->last_error = []() { return Bus().error; };
  api->last_error_message = []() { return Bus().error_message.c_str(); };
  api->end_download = []() { return Call("icbus_end_download"); };
  api->name_drawable = [](const char* name) {
    Note("icbus_name_drawable", name);
    return Bus().drawable ? 1 : 0;
  };
  api->check_card_write = []() {
    Note("icbus_check_card_write");
    FakeBus& bus = Bus();
    bus.error = bus.check_error;
    bus.error_message = bus.check_message;
    return bus.card_write_check;
  };
  api->version = []() {
    Note("icbus_version");
    return "9.8.7";
  };
}

void AddLinkFakes(BusApi* api) {
  api->dev_init = [](const char* digits) -> icbus_bool {
    int answer = Call("icDevInit", digits);
    std::deque<int>& opens = Bus().opens;
    if (opens.empty()) return answer;
    answer = opens.front();
    opens.pop_front();
    return answer;
  };
  api->dev_close = []() { return Call("icDevClose"); };
  api->change_dev_settings = [](int mode) -> icbus_bool {
    return Call("ChangeicDevSettings", mode);
  };
  api->set_dec_len = [](const char* text) -> icbus_bool {
    Note("SetDecLen", text);
    return 1;
  };
  api->get_time = [](int port, int machine, char* out) {
    return ReadClock(Call("GetTime", port, machine), out);
  };
  api->get_time_a = [](int port, int machine, char* out, int card) {
    return ReadClock(Call("GetTimeA", port, machine, card), out);
  };
  api->set_time = [](int port, int machine) { return Call("SetTime", port, machine); };
  api->set_time_a = [](int port, int machine, int card) {
    return Call("SetTimeA", port, machine, card);
  };
  api->clear = [](int port, int machine) { return Call("Clear", port, machine); };
  api->clear_a = [](int port, int machine, int card) {
    return Call("ClearA", port, machine, card);
  };
}

}  // namespace icbus::tool::fake
