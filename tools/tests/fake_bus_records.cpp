// Fakes of the record exports and the real-time poll: downloads and polls
// answer from the queues of the FakeBus.
#include "fake_bus_parts.h"

namespace icbus::tool::fake {
namespace {

int Next(const std::string& name, int machine, char* out) {
  Note(name, machine);
  return Reply(&Bus().records, FakeReply{0, std::nullopt}, out);
}

}  // namespace

void AddRecordFakes(BusApi* api) {
  api->get_record_count = [](int p, int m) { return Call("GetRecordCount", p, m); };
  api->get_record_count_a = [](int p, int m, int card) {
    return Call("GetRecordCountA", p, m, card);
  };
  api->get_record_count_r = [](int p, int m, int kind) {
    return Call("GetRecordCountR", p, m, kind);
  };
  api->get_record_count_at = [](int p, int m, int card) {
    return Call("GetRecordCountAt", p, m, card);
  };
  api->get_total = [](int p, int m) { return AmountCall("GetTotal", p, m); };
  api->get_first = [](int p, int m) { return Call("GetFirst", p, m); };
  api->get_first_a = [](int p, int m, int card) { return Call("GetFirstA", p, m, card); };
  api->get_next = [](int m, char* out) { return Next("GetNext", m, out); };
  api->get_next_k = [](int m, char* out) { return Next("GetNextK", m, out); };
  api->get_next_r = [](int m, char* out) { return Next("GetNextR", m, out); };
  api->get_next_bak = [](int m, char* out) { return Next("GetNextBak", m, out); };
  api->get_next_at = [](int m, char* out) { return Next("GetNextAt", m, out); };
  api->get_next_w = [](int m, char* out) { return Next("GetNextW", m, out); };
  api->get_next_a = [](int m, char* out) { return Next("GetNextA", m, out); };
  api->real_time = [](int m, char* out) -> icbus_bool {
    Note("Real_time", m);
    return static_cast<icbus_bool>(Reply(&Bus().polls, FakeReply{1, std::nullopt}, out));
  };
}

}  // namespace icbus::tool::fake
