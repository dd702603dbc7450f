#include "fake_bus.h"

#include <cstring>

namespace icbus::tool {
namespace {

FakeBus* current = nullptr;

std::string Args(std::initializer_list<int> values) {
  std::string text;
  for (int value : values) text += (text.empty() ? "" : ", ") + std::to_string(value);
  return text;
}

int Record(const std::string& name, std::initializer_list<int> values) {
  current->calls.push_back(name + "(" + Args(values) + ")");
  return current->result;
}

int ReadClock(char* out) {
  // The library writes the buffer only on success.
  if (current->result) std::strcpy(out, current->clock.c_str());
  return current->result;
}

icbus_bool ICBUS_CALL FakeSetDecLen(const char* text) {
  current->calls.push_back(std::string("SetDecLen(\"") + text + "\")");
  return 1;
}
int ICBUS_CALL FakeGetTime(int port, int machine, char* out) {
  Record("GetTime", {port, machine});
  return ReadClock(out);
}
int ICBUS_CALL FakeGetTimeA(int port, int machine, char* out, int card) {
  Record("GetTimeA", {port, machine, card});
  return ReadClock(out);
}
int ICBUS_CALL FakeSetTime(int port, int machine) { return Record("SetTime", {port, machine}); }
int ICBUS_CALL FakeSetTimeA(int port, int machine, int card) {
  return Record("SetTimeA", {port, machine, card});
}
int ICBUS_CALL FakeClear(int port, int machine) { return Record("Clear", {port, machine}); }
int ICBUS_CALL FakeClearA(int port, int machine, int card) {
  return Record("ClearA", {port, machine, card});
}

}  // namespace

const BusApi& UseFakeBus(FakeBus* bus) {
  static const BusApi api = {FakeSetDecLen, FakeGetTime, FakeGetTimeA, FakeSetTime,
                             FakeSetTimeA,  FakeClear,   FakeClearA};
  current = bus;
  return api;
}

}  // namespace icbus::tool
