// Fakes of the card writer and top-up machine exports.
#include "fake_bus_parts.h"

namespace icbus::tool::fake {

void AddCardFakes(BusApi* api) {
  api->beep_ax = [](int p, int mode) { Note("BeepAX", p, mode); };
  api->read_card = [](int p, int s, int b, char* out) {
    return Fill(Call("ReadCard", p, s, b), out, Bus().card_number);
  };
  api->write_card = [](int p, int s, int b, const char* number) {
    return Call("WriteCard", p, s, b, number);
  };
  api->write_card_ex = [](int p, int s, int b, const char* number, const char* password,
                          double limit) {
    return Call("WriteCardEx", p, s, b, number, password, limit);
  };
  api->write_card_account_no = [](int p, int s, int b, const char* account) {
    return Call("WriteCardAccountNo", p, s, b, account);
  };
  api->write_card_pass = [](int p, int s, int b, const char* password) {
    return Call("WriteCardPass", p, s, b, password);
  };
  api->read_card_pass = [](int p, int s, int b, char* out) {
    return Fill(Call("ReadCardPass", p, s, b), out, Bus().card_password);
  };
  api->read_balance = [](int p, int s, int b, int mode) {
    double answer = AmountCall("ReadBalance", p, s, b, mode);
    if (Bus().balances.empty()) return answer;
    answer = Bus().balances.front();
    Bus().balances.pop_front();
    return answer;
  };
  api->increase = [](int p, int kind, int s, int b, double amount, int mode) {
    return Call("Increase", p, kind, s, b, amount, mode);
  };
  api->decrease = [](int p, int cancel, int s, int b, double amount, int mode) {
    return Call("Decrease", p, cancel, s, b, amount, mode);
  };
  api->read_card_max_consume = [](int p, int s, int b) {
    return AmountCall("ReadCardMaxConsume", p, s, b);
  };
  api->write_card_max_consume = [](int p, int s, int b, double limit) {
    return Call("WriteCardMaxConsume", p, s, b, limit);
  };
  api->read_card_add_count = [](int p, int s, int b) { return Call("ReadCardAddCount", p, s, b); };
  api->write_card_add_count = [](int p, int s, int b, int count) {
    return Call("WriteCardAddCount", p, s, b, count);
  };
  api->read_card_max_cc = [](int p, int s, int b) { return Call("ReadCardMaxCC", p, s, b); };
  api->write_card_max_cc = [](int p, int s, int b, int limit) {
    return Call("WriteCardMaxCC", p, s, b, limit);
  };
  api->transmit_atm = [](int p, int m, int card, int mode, double amount, const char* name,
                         int mgmt) {
    return Call("TransmitATM", p, m, card, mode, amount, name, mgmt);
  };
}

}  // namespace icbus::tool::fake
