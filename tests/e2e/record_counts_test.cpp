// Record counts and totals of libicbus.so against icbus-sim on a real
// pseudo-terminal: the count of each kind of terminal, the window terminal's
// total with one and with two decimal places, and the terminal's "ERR".
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "admin_fixture.h"
#include "icbus.h"

namespace icbus::e2e {
namespace {

// Terminal 5 holds 3 records worth 123.4 yuan in tenths, terminal 6 four
// worth 1234.56 in hundredths, terminal 7 twelve generated ones (1 + 2 + ...
// + 12 tenths). Devices are numbered from 1 in this order.
const char kInstallation[] = R"({"devices": [
  {"type": "terminal", "machine": 5, "generate": 3, "total": 1234},
  {"type": "terminal", "machine": 6, "decimals": 2, "generate": 4, "total": 123456},
  {"type": "terminal", "machine": 7, "generate": 12},
  {"type": "terminal", "machine": 8, "kind": "attendance", "generate": 5,
   "kind_counts": {"3": 2}},
  {"type": "terminal", "machine": 9, "kind": "topup", "management_card": 111111, "generate": 2},
  {"type": "terminal", "machine": 10, "kind": "desktop_topup", "management_card": 222222,
   "generate": 1},
  {"type": "terminal", "machine": 11, "generate": 3, "count_error": true}
]})";

class RecordCounts : public AdminTest {
 protected:
  RecordCounts() : AdminTest(kInstallation) { SetDecLen(""); }
  ~RecordCounts() override { SetDecLen(""); }
};

Frames Counted(const std::string& address, const std::string& request, const std::string& reply) {
  return {"> M " + address, "< N OK!", "> S " + request, "< N " + reply, "> S SZ!"};
}

// GetTotal in hundredths of a yuan, so results compare exactly.
int TotalInFen(int machine) { return static_cast<int>(std::lround(GetTotal(1, machine) * 100)); }

TEST_F(RecordCounts, CountsOfEveryKindOfTerminal) {
  Run({
      {"window", [] { return GetRecordCount(1, 5); }, 3, Counted("SA005!", "SK!", "00003001234!")},
      {"window in hundredths", [] { return GetRecordCount(1, 6); }, 4,
       Counted("SA006!", "SK!", "0000400123456!")},
      {"attendance", [] { return GetRecordCount(1, 8); }, 5, Counted("SA008!", "SK!", "00005!")},
      {"attendance, kind 3", [] { return GetRecordCountR(1, 8, 3); }, 2,
       Counted("SA008!", "SK3!", "00002!")},
      {"attendance, kind 0", [] { return GetRecordCountR(1, 8, 0); }, 5,
       Counted("SA008!", "SK0!", "00005!")},
      {"self-service top-up", [] { return GetRecordCountA(1, 9, 111111); }, 2,
       Counted("SA009111111!", "SK!", "00002!")},
      {"desktop top-up", [] { return GetRecordCountAt(1, 10, 222222); }, 1,
       Counted("SA010222222!", "SK!", "00001!")},
      {"terminal error", [] { return GetRecordCount(1, 11); }, -1,
       Counted("SA011!", "SK!", "ERR!")},
  });
}

TEST_F(RecordCounts, TotalsInTenthsAndInHundredths) {
  Run({
      {"tenths", [] { return TotalInFen(5); }, 12340, Counted("SA005!", "SK!", "00003001234!")},
      {"generated records", [] { return TotalInFen(7); }, 780,
       Counted("SA007!", "SK!", "00012000078!")},
      {"terminal error", [] { return TotalInFen(11); }, -100, Counted("SA011!", "SK!", "ERR!")},
  });
  SetDecLen("2");
  Run({
      {"hundredths", [] { return TotalInFen(6); }, 123456,
       Counted("SA006!", "SK!", "0000400123456!")},
      // A terminal that counts in tenths answers too short a total.
      {"tenths terminal", [] { return TotalInFen(5); }, -100,
       Counted("SA005!", "SK!", "00003001234!")},
  });
}

TEST_F(RecordCounts, ClearingLeavesNothingToCount) {
  Run({
      {"clear",
       [] { return Clear(1, 5); },
       1,
       {"> M SA005!", "< N OK!", "> S SJ!", "< N DONE!", "> S SZ!"}},
      {"count", [] { return GetRecordCount(1, 5); }, 0, Counted("SA005!", "SK!", "00000000000!")},
  });
  EXPECT_EQ(Held(1)["records"], nlohmann::json::array());
}

}  // namespace
}  // namespace icbus::e2e
