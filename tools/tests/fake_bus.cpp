#include "fake_bus.h"

#include <cstdio>

#include "fake_bus_parts.h"

namespace icbus::tool {
namespace fake {
namespace {

FakeBus* current = nullptr;

}  // namespace

FakeBus& Bus() { return *current; }

std::mutex& CallMutex() {
  static std::mutex mutex;
  return mutex;
}

std::string Show(double value) {
  char text[48];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

int Answer(const std::string& name) {
  auto it = current->results.find(name);
  return it == current->results.end() ? current->result : it->second;
}

double AmountAnswer(const std::string& name) {
  auto it = current->amounts.find(name);
  return it == current->amounts.end() ? current->amount : it->second;
}

int Reply(std::deque<FakeReply>* queue, const FakeReply& empty, char* out) {
  std::lock_guard<std::mutex> lock(CallMutex());
  FakeReply reply = empty;
  if (!queue->empty()) {
    reply = queue->front();
    queue->pop_front();
  }
  if (reply.text) std::memcpy(out, reply.text->c_str(), reply.text->size() + 1);
  return reply.result;
}

}  // namespace fake

const BusApi& UseFakeBus(FakeBus* bus) {
  static const BusApi api = [] {
    BusApi fakes;
    fake::AddLinkFakes(&fakes);
    fake::AddExtensionFakes(&fakes);
    fake::AddTerminalFakes(&fakes);
    fake::AddRecordFakes(&fakes);
    fake::AddCardFakes(&fakes);
    return fakes;
  }();
  fake::current = bus;
  return api;
}

}  // namespace icbus::tool
