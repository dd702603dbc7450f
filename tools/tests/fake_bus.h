// A BusApi whose functions record their calls and answer as told.
#pragma once
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/bus_api.h"

namespace icbus::tool {

// One answer of an export that fills a buffer: its result, and the text it
// writes (none: the buffer is left as it was).
struct FakeReply {
  int result = 1;
  std::optional<std::string> text;
};

struct FakeBus {
  // Each call as "Name(arg, arg)", named after the export: numbers as
  // printed by %g, texts in double quotes; output buffers are left out.
  std::vector<std::string> calls;
  int result = 1;                         // what every int export returns ...
  std::map<std::string, int> results;     // ... unless its name is listed here
  double amount = 12.5;                   // what every double export returns ...
  std::map<std::string, double> amounts;  // ... unless listed here
  std::string clock = "20240102030405";   // written by GetTime/GetTimeA on success
  std::string card_number = "000123";     // written by ReadCard on result 1
  std::string card_password = "12345";    // written by ReadCardPass on result 1
  // The answers of the GetNext family, in turn; once they run out, 0.
  std::deque<FakeReply> records;
  // The answers of icDevInit, in turn; once they run out, as for every export.
  std::deque<int> opens;
  // The answers of Real_time, in turn; once they run out, 1 without "!".
  std::deque<FakeReply> polls;
  // The machine numbers icbus_probe finds (1); the others are silent (0),
  // those in `garbled` with a reply without "!" (0, ICBUS_ERR_NO_BANG).
  std::set<int> answering;
  std::set<int> garbled;
  // What icbus_last_error and icbus_last_error_message answer (the probe
  // sets them as the library does).
  int error = 0;
  std::string error_message;
  // The answers of ReadBalance, in turn; once they run out, `amounts` and
  // `amount` as for every double export.
  std::deque<double> balances;
  // What icbus_name_drawable answers for every name.
  bool drawable = true;
  // What icbus_check_card_write answers (-2: no write to check), with
  // `error` and `error_message` set to what its read-back found.
  int card_write_check = -2;
  int check_error = ICBUS_ERR_BAD_ARGUMENT;
  std::string check_message = "no card write to check";
};

// Points the fake functions at `bus` (one fake at a time) and returns them.
const BusApi& UseFakeBus(FakeBus* bus);

}  // namespace icbus::tool
