// Rows of the call table: the terminal, record and top-up exports.
#include "icbus.h"
#include "link/session.h"
#include "row_rules.h"

namespace icbus::fuzz {
namespace {

constexpr char kDone[] = "DONE";
constexpr char kOk[] = "OK";

// A transaction with a terminal addressed by its machine number; it
// succeeds on the answer `word`.
template <class F>
void Addressed(Call& call, F&& run, const char* word = kDone) {
  const int port = call.Int();
  const int machine = call.Int();
  call.Refuses(BadPort(port) || BadMachine(machine));
  call.RequireReply(word);
  Boolean(call, run(port, machine));
}

// The same with the management card number.
template <class F>
void WithCard(Call& call, F&& run, const char* word = kDone) {
  const int port = call.Int();
  const int machine = call.Int();
  const int card = call.Int();
  call.Refuses(BadPort(port) || BadMachine(machine) || BadCard(card));
  call.RequireReply(word);
  Boolean(call, run(port, machine, card));
}

// A card-list command: the card text goes into the frame as it is.
template <class F>
void CardList(Call& call, F&& run) {
  const char* card = call.Text();
  Addressed(call, [&](int port, int machine) { return run(port, machine, card); });
  call.Refuses(BadText(card) || std::strlen(card) > 21);
}

// A broadcast carrying one text.
template <class F>
void Broadcast(Call& call, F&& run) {
  const int port = call.Int();
  const char* text = call.Text();
  call.Refuses(BadPort(port) || BadText(text));
  call.RequireReply(kDone);
  Boolean(call, run(port, text));
}

// A setting carrying one text.
template <class F>
void TextSetting(Call& call, F&& run) {
  const char* text = call.Text();
  Addressed(call, [&](int port, int machine) { return run(port, machine, text); });
  call.Refuses(BadText(text));
}

// A count: -1 or the count; a count comes only from an answer.
void Count(Call& call, int count) {
  call.Answered(count >= 0);
  call.InRange(count >= -1);
}

// One record of a download into a buffer of the documented size.
template <class F>
void Record(Call& call, std::size_t size, F&& run) {
  const int machine = call.Int();
  char* out = call.Out(size);
  const int result = run(machine, out);
  Boolean(call, result);
}

std::size_t DecimalsSize(std::size_t one, std::size_t two) { return TwoDecimals() ? two : one; }

const std::vector<Row> kRows = {
    {"GetTime", Family::kTerminal,
     [](Call& c) {
       const int port = c.Int(), machine = c.Int();
       char* out = c.Out(15);
       c.Refuses(BadPort(port) || BadMachine(machine) || !out);
       Boolean(c, GetTime(port, machine, out));
       c.OutputFromReply(out);
     }},
    {"GetTimeA", Family::kTerminal,
     [](Call& c) {
       const int port = c.Int(), machine = c.Int(), card = c.Int();
       char* out = c.Out(15);
       c.Refuses(BadPort(port) || BadMachine(machine) || BadCard(card) || !out);
       Boolean(c, GetTimeA(port, machine, out, card));
       c.OutputFromReply(out);
     }},
    {"SetTime", Family::kTerminal, [](Call& c) { Addressed(c, SetTime); }},
    {"SetTimeA", Family::kTerminal, [](Call& c) { WithCard(c, SetTimeA); }},
    {"Clear", Family::kTerminal, [](Call& c) { Addressed(c, Clear); }},
    {"ClearA", Family::kTerminal, [](Call& c) { WithCard(c, ClearA); }},
    {"SetOpenCard", Family::kTerminal, [](Call& c) { CardList(c, SetOpenCard); }},
    {"DelOpenCard", Family::kTerminal, [](Call& c) { CardList(c, DelOpenCard); }},
    {"ClearOpenCard", Family::kTerminal, [](Call& c) { Addressed(c, ClearOpenCard); }},
    {"SetOpenCardEx", Family::kTerminal, [](Call& c) { CardList(c, SetOpenCardEx); }},
    {"DelOpenCardEx", Family::kTerminal, [](Call& c) { CardList(c, DelOpenCardEx); }},
    {"ClearOpenCardEx", Family::kTerminal, [](Call& c) { Addressed(c, ClearOpenCardEx); }},
    {"QueryCard", Family::kTerminal,
     [](Call& c) {
       const int port = c.Int(), machine = c.Int();
       const char* card = c.Text();
       c.Refuses(BadPort(port) || BadMachine(machine) || BadText(card) || std::strlen(card) > 21);
       const int result = QueryCard(port, machine, card);
       c.Answered(result != -1);
       c.InRange(result >= -1 && result <= 1);
     }},
    {"SetMachNo", Family::kTerminal, [](Call& c) { Broadcast(c, SetMachNo); }},
    {"SetMasterCard", Family::kTerminal, [](Call& c) { Broadcast(c, SetMasterCard); }},
    {"SetMasterCardA", Family::kTerminal,
     [](Call& c) {
       const char* text = c.Text();
       WithCard(c, [&](int port, int machine, int card) {
         return SetMasterCardA(port, machine, text, card);
       });
       c.Refuses(BadText(text));
     }},
    {"Log_onPass", Family::kTerminal, [](Call& c) { Broadcast(c, Log_onPass); }},
    {"SetPass", Family::kTerminal, [](Call& c) { Broadcast(c, SetPass); }},
    {"SetMachRead", Family::kTerminal, [](Call& c) { Addressed(c, SetMachRead); }},
    {"GetMachStyle", Family::kTerminal,
     [](Call& c) {
       const int port = c.Int(), machine = c.Int();
       c.Refuses(BadPort(port) || BadMachine(machine));
       const int style = GetMachStyle(port, machine);
       c.Answered(style >= 0);
       c.InRange(style >= -1);
     }},
    {"SetMachStyle", Family::kTerminal,
     [](Call& c) {
       const int style = c.Int();
       Addressed(c, [&](int port, int machine) { return SetMachStyle(port, machine, style); });
       c.Refuses(style < 0 || style > 9 || style == 5);
     }},
    {"GetState", Family::kTerminal,
     [](Call& c) {
       const int port = c.Int(), machine = c.Int();
       c.Refuses(BadPort(port) || BadMachine(machine));
       const int state = GetState(port, machine);
       c.Answered(state != -1);
       c.InRange(state >= -1 && state <= 1);
     }},
    {"SetPause", Family::kTerminal,
     [](Call& c) {
       const int pause = c.Int();
       Addressed(c, [&](int port, int machine) { return SetPause(port, machine, pause); });
     }},
    {"SetMealTimes", Family::kTerminal,
     [](Call& c) {
       const int limit = c.Int();
       Addressed(c, [&](int port, int machine) { return SetMealTimes(port, machine, limit); });
       c.Refuses(limit < 0 || limit > 999);
     }},
    {"SetMealTime", Family::kTerminal, [](Call& c) { TextSetting(c, SetMealTime); }},
    {"SetKeyboard", Family::kTerminal,
     [](Call& c) {
       const int index = c.Int();
       const double amount = c.Double();
       Addressed(c,
                 [&](int port, int machine) { return SetKeyboard(port, machine, index, amount); });
       c.Refuses(index < 0 || index > 9 || BadAmount(amount) || amount >= 100);
     }},
    {"SetClassMenuMoney", Family::kTerminal,
     [](Call& c) {
       const char* category = c.Text();
       const char* menu = c.Text();
       const double amount = c.Double();
       Addressed(c, [&](int port, int machine) {
         return SetClassMenuMoney(port, machine, category, menu, amount);
       });
       c.Refuses(BadCategory(category) || !menu || BadAmount(amount) || amount >= 100);
     }},
    {"SetClassMenuName", Family::kTerminal,
     [](Call& c) {
       const char* category = c.Text();
       const char* menu = c.Text();
       const char* name = c.Text();
       Addressed(c, [&](int port, int machine) {
         return SetClassMenuName(port, machine, category, menu, name);
       });
       c.Refuses(BadCategory(category));
     }},
    {"SetReserveParam", Family::kTerminal,
     [](Call& c) {
       const int selector = c.Int();
       const char* text = c.Text();
       Addressed(c, [&](int port, int machine) {
         return SetReserveParam(port, machine, selector, text);
       });
     }},
    {"SetIntervalTime", Family::kTerminal,
     [](Call& c) {
       const int interval = c.Int();
       Addressed(c,
                 [&](int port, int machine) { return SetIntervalTime(port, machine, interval); });
       c.Refuses(interval < 0 || interval > 999);
     }},
    {"SetScreenDisplayText", Family::kTerminal,
     [](Call& c) { TextSetting(c, SetScreenDisplayText); }},
    {"SetBellTime", Family::kTerminal, [](Call& c) { TextSetting(c, SetBellTime); }},
    {"SetOpenTime", Family::kTerminal, [](Call& c) { TextSetting(c, SetOpenTime); }},
    {"SetWaterParam", Family::kTerminal,
     [](Call& c) {
       const int price = c.Int(), units = c.Int(), seconds = c.Int();
       Addressed(c, [&](int port, int machine) {
         return SetWaterParam(port, machine, price, units, seconds);
       });
       c.Refuses(price < 0 || price > 999 || units < 0 || units > 99 || seconds < 0 ||
                 seconds > 99 || static_cast<long long>(price) * units > 99999);
     }},
    {"SetReadCardName", Family::kTerminal, [](Call& c) { TextSetting(c, SetReadCardName); }},
    {"GetRecordCount", Family::kTerminal,
     [](Call& c) {
       const int port = c.Int(), machine = c.Int();
       c.Refuses(BadPort(port) || BadMachine(machine));
       Count(c, GetRecordCount(port, machine));
     }},
    {"GetRecordCountA", Family::kTerminal,
     [](Call& c) {
       const int port = c.Int(), machine = c.Int(), card = c.Int();
       c.Refuses(BadPort(port) || BadMachine(machine) || BadCard(card));
       Count(c, GetRecordCountA(port, machine, card));
     }},
    {"GetRecordCountR", Family::kTerminal,
     [](Call& c) {
       const int port = c.Int(), machine = c.Int(), kind = c.Int();
       c.Refuses(BadPort(port) || BadMachine(machine) || kind < 0 || kind > 9);
       Count(c, GetRecordCountR(port, machine, kind));
     }},
    {"GetRecordCountAt", Family::kTerminal,
     [](Call& c) {
       const int port = c.Int(), machine = c.Int(), card = c.Int();
       c.Refuses(BadPort(port) || BadMachine(machine) || BadCard(card));
       Count(c, GetRecordCountAt(port, machine, card));
     }},
    {"GetTotal", Family::kTerminal,
     [](Call& c) {
       const int port = c.Int(), machine = c.Int();
       c.Refuses(BadPort(port) || BadMachine(machine));
       const double total = GetTotal(port, machine);
       c.Answered(total != -1.0);
       c.InRange(total == -1.0 || (std::isfinite(total) && total >= 0));
     }},
    {"GetFirst", Family::kOpensDownload, [](Call& c) { Addressed(c, GetFirst, kOk); }},
    {"GetFirstA", Family::kOpensDownload, [](Call& c) { WithCard(c, GetFirstA, kOk); }},
    {"GetNext", Family::kRecord, [](Call& c) { Record(c, DecimalsSize(37, 38), GetNext); }},
    {"GetNextK", Family::kRecord, [](Call& c) { Record(c, 23, GetNextK); }},
    {"GetNextR", Family::kRecord, [](Call& c) { Record(c, 23, GetNextR); }},
    {"GetNextBak", Family::kRecord, [](Call& c) { Record(c, DecimalsSize(37, 43), GetNextBak); }},
    {"GetNextAt", Family::kRecord, [](Call& c) { Record(c, 38, GetNextAt); }},
    {"GetNextW", Family::kRecord, [](Call& c) { Record(c, 25, GetNextW); }},
    {"GetNextA", Family::kRecord, [](Call& c) { Record(c, 38, GetNextA); }},
    {"Real_time", Family::kOnHeldPort,
     [](Call& c) {
       const int machine = c.Int();
       char* out = c.Out(21);
       const int result = Real_time(machine, out);
       c.InRange(result == 0 || result == 1);
       c.Expect(result == 1 || !c.Written(out), "Real_time wrote its output and failed");
       c.Succeeded(result == 1 && c.Written(out));
       c.OutputFromReply(out);
       c.Refuses(BadMachine(machine) || !out);
     }},
    {"icbus_probe", Family::kOnHeldPort,
     [](Call& c) {
       const int machine = c.Int();
       const int result = icbus_probe(machine);
       c.Succeeded(result == 1);
       c.RequireReply(kOk);
       c.InRange(result >= -1 && result <= 1);
       c.Refuses(BadMachine(machine));
     }},
    {"TransmitATM", Family::kTerminal,
     [](Call& c) {
       const int port = c.Int(), machine = c.Int(), card = c.Int(), mode = c.Int();
       const double amount = c.Double();
       const char* name = c.Text();
       const int management_card = c.Int();
       c.AllowRawFrame(109);
       c.RequireReply(kDone);
       c.Refuses(BadPort(port) || BadMachine(machine) || BadCard(management_card) || card < 0 ||
                 card > 1048575 || (mode != 0 && mode != 1) || BadAmount(amount) ||
                 amount >= 6553.6 || !name);
       Boolean(c, TransmitATM(port, machine, card, mode, amount, name, management_card));
     }},
};

}  // namespace

const std::vector<Row>& TerminalRows() { return kRows; }

}  // namespace icbus::fuzz
