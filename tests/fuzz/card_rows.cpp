// Rows of the call table: the card writer exports.
#include "icbus.h"
#include "link/session.h"
#include "row_rules.h"

namespace icbus::fuzz {
namespace {

constexpr char kAccountFill[] = "0000000000000";

bool HexText(const char* text) {
  for (const char* p = text; *p; ++p)
    if (!std::isxdigit(static_cast<unsigned char>(*p))) return false;
  return true;
}

// A card result code. Codes 2 to 4 are the writer's own answers, and a 5
// found after something was sent comes from the block that was read.
void CardCode(Call& call, int code) {
  call.Succeeded(code == 1);
  call.Answered((code >= 2 && code <= 4) || (code == 5 && call.Sent()));
  call.InRange(code >= -1 && code <= 5);
}

// The port, sector and block of a card operation, checked as every card
// export checks them: a block the writer's commands cannot name is refused
// with -1 (or a value refused before it, 5) and nothing sent, no beep.
struct Target {
  int port, sector, block;
};

Target Targeted(Call& call) {
  Target target{call.Int(), call.Int(), call.Int()};
  call.Block(target.sector, target.block);
  call.Refuses(BadPort(target.port) || !Addressable(target.sector, target.block));
  return target;
}

void RefusedBlock(Call& call, const Target& target, int code) {
  if (!Addressable(target.sector, target.block)) {
    call.Expect(code == -1 || code == 5, "a block beyond 99 not refused with -1");
  }
}

// An operation that writes the block: it succeeds only on the writer's
// "DONE".
template <class F>
void CardOperation(Call& call, F&& run) {
  call.RequireReply("DONE");
  const Target target = Targeted(call);
  const int code = run(target);
  CardCode(call, code);
  RefusedBlock(call, target, code);
}

// A read of a number field: -1 or a value within the field.
template <class F>
void NumberRead(Call& call, double max, F&& run) {
  const Target target = Targeted(call);
  const double value = run(target);
  call.Answered(value != -1.0);
  call.InRange(value == -1.0 || (std::isfinite(value) && value >= 0 && value <= max));
  RefusedBlock(call, target, value == -1.0 ? -1 : 1);
}

const std::vector<Row> kRows = {
    {"BeepAX", Family::kCardWriter,
     [](Call& c) {
       const int port = c.Int(), mode = c.Int();
       BeepAX(port, mode);
       c.Refuses(BadPort(port) || (mode != 0 && mode != 1));
     }},
    {"SetPassA", Family::kCardWriter,
     [](Call& c) {
       const int port = c.Int();
       const char* key = c.Text();
       c.Refuses(BadPort(port) || BadText(key) || std::strlen(key) > 13);
       c.RequireReply("DONE");
       Boolean(c, SetPassA(port, key));
     }},
    {"ReadCard", Family::kCardWriter,
     [](Call& c) {
       const Target t = Targeted(c);
       char* out = c.Out(8);
       c.Refuses(!out);
       const int code = ReadCard(t.port, t.sector, t.block, out);
       CardCode(c, code);
       RefusedBlock(c, t, code);
     }},
    {"WriteCard", Family::kCardWriter,
     [](Call& c) {
       const char* number = c.Text();
       CardOperation(c,
                     [&](const Target& t) { return WriteCard(t.port, t.sector, t.block, number); });
     }},
    {"WriteCardEx", Family::kCardWriter,
     [](Call& c) {
       const char* number = c.Text();
       const char* password = c.Text();
       const double limit = c.Double();
       c.Refuses(BadAmount(limit));
       CardOperation(c, [&](const Target& t) {
         return WriteCardEx(t.port, t.sector, t.block, number, password, limit);
       });
     }},
    {"WriteCardAccountNo", Family::kCardWriter,
     [](Call& c) {
       const char* account = c.Text();
       if (account) c.AllowWrite(std::string(account) + kAccountFill);
       c.Refuses(!account || !HexText(account) || std::strlen(account) > 21);
       CardOperation(c, [&](const Target& t) {
         return WriteCardAccountNo(t.port, t.sector, t.block, account);
       });
     }},
    {"WriteCardPass", Family::kCardWriter,
     [](Call& c) {
       const char* password = c.Text();
       if (TwoDecimals()) c.AllowPasswordWrite();
       CardOperation(
           c, [&](const Target& t) { return WriteCardPass(t.port, t.sector, t.block, password); });
     }},
    {"ReadCardPass", Family::kCardWriter,
     [](Call& c) {
       const Target t = Targeted(c);
       char* out = c.Out(6);
       c.Refuses(!out);
       c.EmptyOutputOnFailure();
       const int code = ReadCardPass(t.port, t.sector, t.block, out);
       CardCode(c, code);
       RefusedBlock(c, t, code);
     }},
    {"ReadBalance", Family::kCardWriter,
     [](Call& c) {
       const int mode = c.Int();
       NumberRead(c, 167772.15,
                  [&](const Target& t) { return ReadBalance(t.port, t.sector, t.block, mode); });
     }},
    {"Increase", Family::kCardWriter,
     [](Call& c) {
       const int kind = c.Int(), mode = c.Int();
       const double amount = c.Double();
       c.Refuses(BadAmount(amount));
       CardOperation(c, [&](const Target& t) {
         return Increase(t.port, kind, t.sector, t.block, amount, mode);
       });
     }},
    {"Decrease", Family::kCardWriter,
     [](Call& c) {
       const int cancel = c.Int(), mode = c.Int();
       const double amount = c.Double();
       c.Refuses(BadAmount(amount));
       CardOperation(c, [&](const Target& t) {
         return Decrease(t.port, cancel, t.sector, t.block, amount, mode);
       });
     }},
    {"ReadCardMaxConsume", Family::kCardWriter,
     [](Call& c) {
       NumberRead(c, 167772.15,
                  [&](const Target& t) { return ReadCardMaxConsume(t.port, t.sector, t.block); });
     }},
    {"WriteCardMaxConsume", Family::kCardWriter,
     [](Call& c) {
       const double limit = c.Double();
       c.Refuses(BadAmount(limit));
       CardOperation(c, [&](const Target& t) {
         return WriteCardMaxConsume(t.port, t.sector, t.block, limit);
       });
     }},
    {"ReadCardAddCount", Family::kCardWriter,
     [](Call& c) {
       NumberRead(c, 65535,
                  [&](const Target& t) { return ReadCardAddCount(t.port, t.sector, t.block); });
     }},
    {"WriteCardAddCount", Family::kCardWriter,
     [](Call& c) {
       const int count = c.Int();
       c.Refuses(count < 0 || count > 65535);
       CardOperation(
           c, [&](const Target& t) { return WriteCardAddCount(t.port, t.sector, t.block, count); });
     }},
    {"ReadCardMaxCC", Family::kCardWriter,
     [](Call& c) {
       NumberRead(c, 255,
                  [&](const Target& t) { return ReadCardMaxCC(t.port, t.sector, t.block); });
     }},
    {"WriteCardMaxCC", Family::kCardWriter,
     [](Call& c) {
       const int limit = c.Int();
       c.Refuses(limit < 0);
       CardOperation(
           c, [&](const Target& t) { return WriteCardMaxCC(t.port, t.sector, t.block, limit); });
     }},
};

}  // namespace

const std::vector<Row>& CardRows() { return kRows; }

}  // namespace icbus::fuzz
