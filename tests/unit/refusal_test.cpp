// Every export with an argument it must refuse: the failure value, nothing
// opened or sent, the caller's buffer untouched, and a reason recorded. The
// table must name every export of the library that can fail.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <set>
#include <string>

#include "icbus.h"
#include "line_fixture.h"

namespace icbus::test {
namespace {

char g_out[64];  // the caller's buffer; must stay as the test filled it
const std::string kText21(21, 'x'), kText22(22, 'x'), kCard22(22, '1');

struct RefusalRow {
  const char* name;  // the export
  std::function<double()> call;
  double failure;
};

void PrintTo(const RefusalRow& row, std::ostream* out) { *out << row.name; }

#define ROW(name, failure, ...)                                     \
  {                                                                 \
#name, [] { return static_cast<double>(__VA_ARGS__); }, failure \
  }

icbus_session* Session() {
  static icbus_session* session = icbus_session_new();
  return session;
}

const RefusalRow kRows[] = {
    // The port
    ROW(icDevInit, 0, icDevInit("x")),
    ROW(icDevInit, 0, icDevInit(nullptr)),
    ROW(icDevInit, 0, icDevInit("1000")),
    ROW(icDevClose, 0, icDevClose()),
    ROW(ChangeicDevSettings, 0, ChangeicDevSettings(0)),
    // Clock and clearing
    ROW(GetTime, 0, GetTime(1, 5, nullptr)),
    ROW(GetTime, 0, GetTime(1, 1000, g_out)),
    ROW(GetTime, 0, GetTime(0, 5, g_out)),
    ROW(GetTime, 0, GetTime(1000, 5, g_out)),  // four digits: no such port name
    ROW(GetTimeA, 0, GetTimeA(1, 5, g_out, 1000000)),
    ROW(SetTime, 0, SetTime(1, -1)),
    ROW(SetTimeA, 0, SetTimeA(1, 5, -1)),
    ROW(Clear, 0, Clear(1, 1000)),
    ROW(ClearA, 0, ClearA(1, 5, 1000000)),
    // Card lists
    ROW(SetOpenCard, 0, SetOpenCard(1, 5, kCard22.c_str())),
    ROW(DelOpenCard, 0, DelOpenCard(1, 5, nullptr)),
    ROW(ClearOpenCard, 0, ClearOpenCard(1, 1000)),
    ROW(SetOpenCardEx, 0, SetOpenCardEx(1, 5, "12!3")),
    ROW(DelOpenCardEx, 0, DelOpenCardEx(1, 5, kCard22.c_str())),
    ROW(ClearOpenCardEx, 0, ClearOpenCardEx(1, -1)),
    ROW(QueryCard, -1, QueryCard(1, 5, nullptr)),
    ROW(QueryCard, -1, QueryCard(1, 5, kCard22.c_str())),
    ROW(SetOpenCard, 0, SetOpenCard(1, 5, nullptr)),
    // Identity, passwords and state
    ROW(SetMachNo, 0, SetMachNo(1, "0001K")),
    ROW(SetMachNo, 0, SetMachNo(1, nullptr)),
    ROW(SetMasterCard, 0, SetMasterCard(1, kText22.c_str())),
    ROW(SetMasterCardA, 0, SetMasterCardA(1, 5, "654321", 1000000)),
    ROW(SetMasterCardA, 0, SetMasterCardA(1, 5, nullptr, 123456)),
    ROW(Log_onPass, 0, Log_onPass(1, nullptr)),
    ROW(SetPass, 0, SetPass(1, kText22.c_str())),
    ROW(SetPassA, 0, SetPassA(1, "0123456789ABC0")),
    ROW(SetMachRead, 0, SetMachRead(1, 1000)),
    ROW(GetMachStyle, -1, GetMachStyle(1, 1000)),
    ROW(SetMachStyle, 0, SetMachStyle(1, 5, 5)),
    ROW(SetMachStyle, 0, SetMachStyle(1, 5, 10)),
    ROW(SetMachStyle, 0, SetMachStyle(1, 5, -1)),
    ROW(GetState, -1, GetState(1, 1000)),
    ROW(SetPause, 0, SetPause(1, -1, 1)),
    // Schedules, tariffs and display: every fixed-width number one past its width
    ROW(SetMealTimes, 0, SetMealTimes(1, 5, 1000)),
    ROW(SetMealTimes, 0, SetMealTimes(1, 5, -1)),
    ROW(SetMealTime, 0, SetMealTime(1, 5, kText22.c_str())),
    ROW(SetKeyboard, 0, SetKeyboard(1, 5, 10, 1.0)),
    ROW(SetKeyboard, 0, SetKeyboard(1, 5, 1, 100.0)),
    ROW(SetKeyboard, 0, SetKeyboard(1, 5, 1, -0.5)),
    ROW(SetClassMenuMoney, 0, SetClassMenuMoney(1, 5, "G", "1", 1.0)),
    ROW(SetClassMenuMoney, 0, SetClassMenuMoney(1, 5, "a", "1", 1.0)),
    ROW(SetClassMenuMoney, 0, SetClassMenuMoney(1, 5, "\xff", "1", 1.0)),
    ROW(SetClassMenuMoney, 0, SetClassMenuMoney(1, 5, "B", "", 1.0)),
    ROW(SetClassMenuMoney, 0, SetClassMenuMoney(1, 5, "B", "1", 100.0)),
    ROW(SetClassMenuMoney, 0, SetClassMenuMoney(1, 5, nullptr, "1", 1.0)),
    ROW(SetClassMenuMoney, 0, SetClassMenuMoney(1, 5, "B", "1", -1.0)),
    ROW(SetClassMenuName, 0, SetClassMenuName(1, 5, "", "1", "Rice")),
    ROW(SetClassMenuName, 0, SetClassMenuName(1, 5, "G", "1", "Rice")),
    ROW(SetClassMenuName, 0, SetClassMenuName(1, 5, "A", "1", std::string(19, 'n').c_str())),
    ROW(SetReserveParam, 0, SetReserveParam(1, 5, 10, "x")),
    ROW(SetReserveParam, 0, SetReserveParam(1, 5, 1, kText21.c_str())),
    ROW(SetIntervalTime, 0, SetIntervalTime(1, 5, 1000)),
    ROW(SetIntervalTime, 0, SetIntervalTime(1, 5, -1)),
    ROW(SetScreenDisplayText, 0, SetScreenDisplayText(1, 5, nullptr)),
    ROW(SetBellTime, 0, SetBellTime(1, 5, nullptr)),
    ROW(SetBellTime, 0, SetBellTime(1, 5, kText22.c_str())),
    ROW(SetOpenTime, 0, SetOpenTime(1, 5, kText22.c_str())),
    ROW(SetWaterParam, 0, SetWaterParam(1, 5, 1000, 1, 1)),
    ROW(SetWaterParam, 0, SetWaterParam(1, 5, 999, 101, 1)),
    ROW(SetWaterParam, 0, SetWaterParam(1, 5, 1, 100, 1)),
    ROW(SetWaterParam, 0, SetWaterParam(1, 5, 1, 1, 100)),
    ROW(SetWaterParam, 0, SetWaterParam(1, 5, -1, 5, 10)),
    ROW(SetReadCardName, 0, SetReadCardName(1, 5, nullptr)),
    // Record counts, totals and the download
    ROW(GetRecordCount, -1, GetRecordCount(1, 1000)),
    ROW(GetRecordCountA, -1, GetRecordCountA(1, 5, -1)),
    ROW(GetRecordCountR, -1, GetRecordCountR(1, 5, 10)),
    ROW(GetRecordCountAt, -1, GetRecordCountAt(1, 5, 1000000)),
    ROW(GetTotal, -1, GetTotal(1, 1000)),
    ROW(GetFirst, 0, GetFirst(1, 1000)),
    ROW(GetFirstA, 0, GetFirstA(1, 5, 1000000)),
    ROW(GetNext, 0, GetNext(5, nullptr)),
    ROW(GetNext, 0, GetNext(5, g_out)),  // no download open
    ROW(GetNextK, 0, GetNextK(5, nullptr)),
    ROW(GetNextR, 0, GetNextR(5, nullptr)),
    ROW(GetNextBak, 0, GetNextBak(5, nullptr)),
    ROW(GetNextAt, 0, GetNextAt(5, nullptr)),
    ROW(GetNextW, 0, GetNextW(5, nullptr)),
    ROW(GetNextA, 0, GetNextA(1000, g_out)),
    ROW(Real_time, 0, Real_time(5, nullptr)),
    ROW(Real_time, 0, Real_time(1000, g_out)),
    ROW(Real_time, 0, Real_time(5, g_out)),  // no port held
    // Card writer
    ROW(BeepAX, 0, (BeepAX(1, 2), 0)),
    ROW(ReadCard, -1, ReadCard(1, 2, 2, nullptr)),
    ROW(ReadCard, -1, ReadCard(1, 100, 0, g_out)),
    ROW(WriteCard, 5, WriteCard(1, 2, 2, "1048576")),
    ROW(WriteCardEx, 5, WriteCardEx(1, 2, 2, "1", "1234", 1.0)),
    ROW(WriteCardEx, 5, WriteCardEx(1, 2, 2, "1", "12345", 6553.6)),
    ROW(WriteCardAccountNo, 5, WriteCardAccountNo(1, 2, 2, "XYZ")),
    ROW(WriteCardAccountNo, -1, WriteCardAccountNo(1, 2, 2, std::string(22, 'A').c_str())),
    ROW(WriteCardPass, 5, WriteCardPass(1, 2, 2, "12a45")),
    ROW(ReadCardPass, -1, ReadCardPass(1, 2, 2, nullptr)),
    ROW(ReadCardPass, -1, ReadCardPass(1, -1, 2, g_out)),
    ROW(ReadBalance, -1, ReadBalance(1, 2, 2, 2)),
    ROW(Increase, 5, Increase(1, 0, 2, 2, -1.0, 0)),
    ROW(Decrease, 5, Decrease(1, 0, 2, 2, -1.0, 0)),
    ROW(ReadCardMaxConsume, -1, ReadCardMaxConsume(1, 100, 0)),
    ROW(WriteCardMaxConsume, 5, WriteCardMaxConsume(1, 2, 2, -1.0)),
    ROW(ReadCardAddCount, -1, ReadCardAddCount(1, -1, 0)),
    ROW(WriteCardAddCount, 5, WriteCardAddCount(1, 2, 2, 65536)),
    ROW(ReadCardMaxCC, -1, ReadCardMaxCC(1, 0, 100)),
    ROW(WriteCardMaxCC, 5, WriteCardMaxCC(1, 2, 2, -1)),
    // Top-up machine
    ROW(TransmitATM, 0, TransmitATM(1, 5, 1, 2, 1.0, "", 123456)),
    ROW(TransmitATM, 0, TransmitATM(1, 5, 1, 65535, 1.0, "", 123456)),
    ROW(TransmitATM, 0, TransmitATM(1, 5, 1048576, 0, 1.0, "", 123456)),
    ROW(TransmitATM, 0, TransmitATM(1, 5, 1, 0, 6553.6, "", 123456)),
    ROW(TransmitATM, 0, TransmitATM(1, 5, 1, 0, 1.0, nullptr, 123456)),
    ROW(TransmitATM, 0, TransmitATM(1, 5, 1, 0, 1.0, "A ", 123456)),  // not a character
    ROW(TransmitATM, 0, TransmitATM(1, 5, 1, 0, 1.0, "", 1000000)),
    // Extensions
    ROW(icbus_session_set_device, 0, icbus_session_set_device(nullptr, "/dev/null")),
    ROW(icbus_session_set_device, 0,
        icbus_session_set_device(Session(), std::string(260, 'd').c_str())),
    ROW(icbus_session_set_settle, 0, icbus_session_set_settle(nullptr, 10)),
    ROW(icbus_session_set_settle, 0, icbus_session_set_settle(Session(), -1)),
    ROW(icbus_end_download, 0, icbus_end_download()),
    ROW(icbus_probe, -1, icbus_probe(1000)),
    ROW(icbus_probe, -1, icbus_probe(5)),  // no port held
    ROW(icbus_set_trace_file, 0, icbus_set_trace_file("/nonexistent/directory/trace.log")),
    ROW(icbus_name_drawable, 0, icbus_name_drawable(nullptr)),
    // A refused value leaves no write to read back.
    ROW(icbus_check_card_write, -2, (WriteCardMaxCC(1, 2, 2, -1), icbus_check_card_write())),
};

#undef ROW

// Exports that have nothing to refuse: setters of a flag, the session's
// lifetime and binding, the version, the console, the reason itself.
const std::set<std::string> kNeverRefuse = {
    "SetDecLen",
    "GetDllVersion",
    "ShowDemo",
    "_frmDemo",
    "icbus_set_fast_replies",
    "icbus_session_new",
    "icbus_session_free",
    "icbus_session_set_fast_replies",
    "icbus_session_enter",
    "icbus_session_leave",
    "icbus_session_set_trace",
    "icbus_last_error",
    "icbus_last_error_message",
    "icbus_version",
};

class ExportRefusal : public LineTest, public ::testing::WithParamInterface<RefusalRow> {
 protected:
  ExportRefusal() { AddCardWriter(line(), 1); }
};

TEST_P(ExportRefusal, FailsWithAReasonBeforeAnythingIsSent) {
  std::memset(g_out, 'x', sizeof g_out);
  EXPECT_EQ(GetParam().call(), GetParam().failure);
  EXPECT_NE(icbus_last_error(), ICBUS_ERR_NONE);
  EXPECT_STRNE(icbus_last_error_message(), "");
  EXPECT_TRUE(frames().empty());
  EXPECT_EQ(line().opens(), 0);
  for (char c : g_out) ASSERT_EQ(c, 'x');
}

INSTANTIATE_TEST_SUITE_P(Exports, ExportRefusal, ::testing::ValuesIn(kRows), [](const auto& info) {
  return std::string(info.param.name) + "_" + std::to_string(info.index);
});

// A new export that can fail must get its row.
TEST(RefusalTable, NamesEveryExportThatCanFail) {
  std::set<std::string> walked(std::begin(kNeverRefuse), std::end(kNeverRefuse));
  for (const RefusalRow& row : kRows) walked.insert(row.name);
  std::ifstream def(ICBUS_DEF_FILE);
  ASSERT_TRUE(def) << ICBUS_DEF_FILE;
  std::string line;
  int exports = 0;
  while (std::getline(def, line)) {
    std::size_t start = line.find_first_not_of(' ');
    if (start != 2 || line.find(" @") == std::string::npos) continue;
    std::string name = line.substr(start, line.find_first_of("@ ", start) - start);
    ++exports;
    EXPECT_TRUE(walked.count(name)) << name << " has no refusal row";
  }
  EXPECT_GE(exports, 75);
}

}  // namespace
}  // namespace icbus::test
