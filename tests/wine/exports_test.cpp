// The DLL's export table: every entry point found by name and by ordinal,
// nothing else exported, and every export called with its full argument
// list in a way that fails before anything reaches the line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "export_table.h"
#include "library.h"
#include "sim_log.h"

namespace icbus::wine {
namespace {

const ExportRow* RowNamed(const std::string& name) {
  const ExportRow* row = std::find_if(std::begin(kExports), std::end(kExports),
                                      [&](const ExportRow& r) { return name == r.name; });
  return row == std::end(kExports) ? nullptr : row;
}

TEST(Exports, LibraryLoads) {
  ASSERT_NE(Library::Get().module(), nullptr) << Library::Get().error();
}

class ExportLookup : public ::testing::TestWithParam<ExportRow> {};

TEST_P(ExportLookup, NameAndOrdinalGiveTheSameEntry) {
  const ExportRow& row = GetParam();
  const void* by_name = Library::Get().ByName(row.name);
  const void* by_ordinal = Library::Get().ByOrdinal(row.ordinal);
  ASSERT_NE(by_name, nullptr) << row.name;
  ASSERT_NE(by_ordinal, nullptr) << "ordinal " << row.ordinal;
  EXPECT_EQ(by_name, by_ordinal) << row.name << " is not at ordinal " << row.ordinal;
}

INSTANTIATE_TEST_SUITE_P(All, ExportLookup, ::testing::ValuesIn(kExports),
                         [](const ::testing::TestParamInfo<ExportRow>& info) {
                           return std::string(info.param.name);
                         });

// Extensions beyond the table are exported by name, "icbus_" first, at
// ordinals above the table's.
bool Extension(const ExportEntry& entry) { return entry.name.rfind("icbus_", 0) == 0; }

TEST(Exports, DirectoryHoldsTheTableAndNamedExtensions) {
  std::vector<ExportEntry> found = Library::Get().NamedExports();
  std::vector<std::string> actual, expected;
  int highest = 0;
  for (const ExportEntry& entry : found) {
    highest = std::max(highest, entry.ordinal);
    if (Extension(entry)) {
      EXPECT_GT(entry.ordinal, 80) << entry.name;
      continue;
    }
    actual.push_back(entry.name + "@" + std::to_string(entry.ordinal));
  }
  for (const ExportRow& row : kExports) {
    expected.push_back(std::string(row.name) + "@" + std::to_string(row.ordinal));
  }
  for (const DataExportRow& row : kDataExports) {
    expected.push_back(std::string(row.name) + "@" + std::to_string(row.ordinal));
    highest = std::max(highest, row.ordinal);
  }
  std::sort(actual.begin(), actual.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(Library::Get().OrdinalBase(), 1);
  EXPECT_EQ(Library::Get().FunctionCount(), highest);
  EXPECT_NE(Library::Get().ByName("icbus_set_fast_replies"), nullptr);
}

TEST(Exports, ReservedOrdinalsLeadNowhere) {
  std::vector<ExportEntry> found = Library::Get().NamedExports();
  for (int ordinal = 1; ordinal <= Library::Get().FunctionCount() + 1; ++ordinal) {
    bool listed = std::any_of(std::begin(kExports), std::end(kExports),
                              [&](const ExportRow& row) { return row.ordinal == ordinal; }) ||
                  std::any_of(std::begin(kDataExports), std::end(kDataExports),
                              [&](const DataExportRow& row) { return row.ordinal == ordinal; }) ||
                  std::any_of(found.begin(), found.end(), [&](const ExportEntry& entry) {
                    return Extension(entry) && entry.ordinal == ordinal;
                  });
    if (!listed) {
      EXPECT_EQ(Library::Get().ByOrdinal(ordinal), nullptr) << "ordinal " << ordinal;
    }
  }
}

TEST(Exports, NoDecoratedNames) {
  for (const ExportEntry& entry : Library::Get().NamedExports()) {
    EXPECT_EQ(entry.name.find('@'), std::string::npos) << entry.name;
    // The one data export's own name begins with an underscore.
    if (entry.name != kDataExports[0].name) {
      EXPECT_NE(entry.name[0], '_') << entry.name;
    }
  }
}

TEST(Exports, FormPointerIsADataExportThatStaysNull) {
  const auto* by_name = static_cast<void* const*>(Library::Get().ByName(kDataExports[0].name));
  ASSERT_NE(by_name, nullptr);
  EXPECT_EQ(static_cast<const void*>(by_name), Library::Get().ByOrdinal(kDataExports[0].ordinal));
  EXPECT_EQ(*by_name, nullptr);
}

// Calls that end before anything is sent: a port number below 1, a machine
// or management card out of range, a text the command cannot carry, a
// value out of range, a record call without a download.
enum class Kind { kInt, kByte, kReal, kNone };
struct QuickCall {
  const char* name;
  Args args;
  Kind kind;
  double result;  // what the export returns (kByte: the low byte)
};

TEST(Exports, EveryExportFailsFastOnBadArguments) {
  SimLog log;
  ASSERT_FALSE(log.path().empty()) << "ICBUS_SIM_LOG must name icbus-sim's wire log";
  const std::size_t frames_before = log.Frames().size();

  char buffer[48];
  std::memset(buffer, 'x', sizeof buffer);
  char password[8];  // ReadCardPass empties it even when the read fails
  const Arg out = Word(buffer);
  const Arg none = Word(static_cast<const char*>(nullptr));
  const char* const long_text = "1234567890123456789012";  // 22 bytes
  const std::vector<QuickCall> calls = {
      {"SetDecLen", {Word("2")}, Kind::kByte, 1},
      {"SetDecLen", {none}, Kind::kByte, 1},
      {"SetDecLen", {Word("")}, Kind::kByte, 1},
      {"icDevInit", {Word("0")}, Kind::kByte, 0},
      {"icDevInit", {Word("1x")}, Kind::kByte, 0},
      {"icDevInit", {none}, Kind::kByte, 0},
      {"icDevClose", {}, Kind::kInt, 0},
      {"ChangeicDevSettings", {Word(0)}, Kind::kByte, 0},
      {"ChangeicDevSettings", {Word(1)}, Kind::kByte, 0},
      {"GetTime", {Word(0), Word(5), out}, Kind::kInt, 0},
      {"GetTime", {Word(1), Word(1000), out}, Kind::kInt, 0},
      {"GetTimeA", {Word(1), Word(5), out, Word(1000000)}, Kind::kInt, 0},
      {"GetTimeA", {Word(1), Word(5), out, Word(-1)}, Kind::kInt, 0},
      {"SetTime", {Word(-1), Word(5)}, Kind::kInt, 0},
      {"SetTime", {Word(1), Word(-1)}, Kind::kInt, 0},
      {"SetTimeA", {Word(1), Word(5), Word(1000000)}, Kind::kInt, 0},
      {"Clear", {Word(0), Word(1)}, Kind::kInt, 0},
      {"ClearA", {Word(1), Word(1000), Word(123456)}, Kind::kInt, 0},
      // Card lists.
      {"SetOpenCard", {Word(0), Word(1), Word("123456")}, Kind::kInt, 0},
      {"SetOpenCard", {Word(1), Word(1), Word(long_text)}, Kind::kInt, 0},
      {"DelOpenCard", {Word(1), Word(-1), Word("123456")}, Kind::kInt, 0},
      {"ClearOpenCard", {Word(0), Word(1)}, Kind::kInt, 0},
      {"SetOpenCardEx", {Word(1), Word(1), Word("12!34")}, Kind::kInt, 0},
      {"DelOpenCardEx", {Word(0), Word(1), Word("123456")}, Kind::kInt, 0},
      {"ClearOpenCardEx", {Word(1), Word(1000)}, Kind::kInt, 0},
      {"QueryCard", {Word(1), Word(1), Word(long_text)}, Kind::kInt, -1},
      {"QueryCard", {Word(0), Word(1), Word("123456")}, Kind::kInt, -1},
      // Identity, passwords and state.
      {"SetMachNo", {Word(1), Word("001KX")}, Kind::kInt, 0},
      {"SetMasterCard", {Word(0), Word("222222")}, Kind::kInt, 0},
      {"SetMasterCardA", {Word(1), Word(5), Word("654321"), Word(1000000)}, Kind::kInt, 0},
      {"Log_onPass", {Word(0), Word("FFFFFFFFFFFF")}, Kind::kInt, 0},
      {"SetPass", {Word(0), Word("A1B2C3D4E5F6")}, Kind::kInt, 0},
      {"SetPassA", {Word(1), Word("A1B2C3D4E5F6AB")}, Kind::kInt, 0},
      {"SetMachRead", {Word(0), Word(1)}, Kind::kInt, 0},
      {"GetMachStyle", {Word(0), Word(1)}, Kind::kInt, -1},
      {"SetMachStyle", {Word(1), Word(1), Word(5)}, Kind::kInt, 0},
      {"GetState", {Word(0), Word(1)}, Kind::kInt, -1},
      {"SetPause", {Word(1), Word(1000), Word(1)}, Kind::kInt, 0},
      // Schedules, tariffs and display.
      {"SetMealTimes", {Word(1), Word(1), Word(-1)}, Kind::kInt, 0},
      {"SetMealTime", {Word(0), Word(1), Word("123456789")}, Kind::kInt, 0},
      {"SetKeyboard", {Word(0), Word(1), Word(3), Real(12.5)}, Kind::kInt, 0},
      {"SetClassMenuMoney", {Word(0), Word(1), Word("A"), Word("1"), Real(1.5)}, Kind::kInt, 0},
      {"SetClassMenuName", {Word(0), Word(1), Word("A"), Word("1"), Word("Rice")}, Kind::kInt, 0},
      {"SetReserveParam", {Word(1), Word(1), Word(10), Word("x")}, Kind::kInt, 0},
      {"SetIntervalTime", {Word(1), Word(1), Word(-1)}, Kind::kInt, 0},
      {"SetScreenDisplayText", {Word(0), Word(1), Word("Ahello")}, Kind::kInt, 0},
      {"SetBellTime", {Word(1), Word(1), Word(long_text)}, Kind::kInt, 0},
      {"SetOpenTime", {Word(0), Word(1), Word("107300800")}, Kind::kInt, 0},
      {"SetWaterParam", {Word(1), Word(1), Word(-1), Word(1), Word(1)}, Kind::kInt, 0},
      {"SetReadCardName", {Word(0), Word(1), Word("123456000000Name")}, Kind::kInt, 0},
      // Record counts, totals, downloads and the real-time poll.
      {"GetRecordCount", {Word(0), Word(1)}, Kind::kInt, -1},
      {"GetRecordCountA", {Word(1), Word(1), Word(1000000)}, Kind::kInt, -1},
      {"GetRecordCountR", {Word(0), Word(1), Word(3)}, Kind::kInt, -1},
      {"GetRecordCountAt", {Word(1), Word(1), Word(-1)}, Kind::kInt, -1},
      {"GetTotal", {Word(0), Word(1)}, Kind::kReal, -1.0},
      {"GetFirst", {Word(0), Word(1)}, Kind::kInt, 0},
      {"GetFirstA", {Word(1), Word(1), Word(1000000)}, Kind::kInt, 0},
      {"GetNext", {Word(1), out}, Kind::kInt, 0},
      {"GetNextK", {Word(1), out}, Kind::kInt, 0},
      {"GetNextR", {Word(1), out}, Kind::kInt, 0},
      {"GetNextBak", {Word(1), out}, Kind::kInt, 0},
      {"GetNextAt", {Word(1), out}, Kind::kInt, 0},
      {"GetNextW", {Word(1), out}, Kind::kInt, 0},
      {"GetNextA", {Word(1), out}, Kind::kInt, 0},
      {"Real_time", {Word(1), out}, Kind::kByte, 0},
      // Card writer.
      {"BeepAX", {Word(1), Word(2)}, Kind::kNone, 0},
      {"BeepAX", {Word(0), Word(0)}, Kind::kNone, 0},
      {"ReadCard", {Word(0), Word(1), Word(0), out}, Kind::kInt, -1},
      {"WriteCard", {Word(1), Word(1), Word(0), Word("1048576")}, Kind::kInt, 5},
      {"WriteCard", {Word(0), Word(1), Word(0), Word("123")}, Kind::kInt, -1},
      {"WriteCardEx",
       {Word(0), Word(1), Word(0), Word("1"), Word("12345"), Real(10.0)},
       Kind::kInt,
       -1},
      {"WriteCardEx",
       {Word(1), Word(1), Word(0), Word("1"), Word("12345"), Real(7000.0)},
       Kind::kInt,
       5},
      {"WriteCardAccountNo", {Word(1), Word(1), Word(0), Word("XYZ")}, Kind::kInt, 5},
      {"WriteCardPass", {Word(0), Word(1), Word(0), Word("12345")}, Kind::kInt, -1},
      {"ReadCardPass", {Word(0), Word(1), Word(0), Word(password)}, Kind::kInt, -1},
      {"ReadBalance", {Word(0), Word(1), Word(0), Word(0)}, Kind::kReal, -1.0},
      {"Increase", {Word(0), Word(0), Word(1), Word(0), Real(10.0), Word(0)}, Kind::kInt, -1},
      {"Increase", {Word(1), Word(0), Word(1), Word(0), Real(-1.0), Word(0)}, Kind::kInt, 5},
      {"Decrease", {Word(0), Word(0), Word(1), Word(0), Real(1.0), Word(0)}, Kind::kInt, -1},
      {"Decrease", {Word(1), Word(0), Word(1), Word(0), Real(-0.5), Word(1)}, Kind::kInt, 5},
      {"ReadCardMaxConsume", {Word(0), Word(1), Word(0)}, Kind::kReal, -1.0},
      {"WriteCardMaxConsume", {Word(1), Word(1), Word(0), Real(7000.0)}, Kind::kInt, 5},
      {"ReadCardAddCount", {Word(0), Word(1), Word(0)}, Kind::kInt, -1},
      {"WriteCardAddCount", {Word(1), Word(1), Word(0), Word(65536)}, Kind::kInt, 5},
      {"ReadCardMaxCC", {Word(0), Word(1), Word(0)}, Kind::kInt, -1},
      {"WriteCardMaxCC", {Word(1), Word(1), Word(0), Word(-1)}, Kind::kInt, 5},
      // Top-up machine.
      {"TransmitATM",
       {Word(0), Word(1), Word(1), Word(0), Real(10.0), Word("name"), Word(123456)},
       Kind::kInt,
       0},
      {"TransmitATM",
       {Word(1), Word(1), Word(1), Word(0), Real(7000.0), Word("name"), Word(123456)},
       Kind::kInt,
       0},
  };
  // Shows a message box: the version test closes it (version_test.cpp).
  // Opens the console: the window tests drive it (icbus_console_tests).
  const std::set<std::string> covered_elsewhere = {"GetDllVersion", "ShowDemo"};

  std::set<std::string> covered = covered_elsewhere;
  for (const QuickCall& call : calls) {
    SCOPED_TRACE(call.name);
    const ExportRow* row = RowNamed(call.name);
    ASSERT_NE(row, nullptr);
    ASSERT_EQ(StdcallBytes(call.args), row->argument_bytes);
    covered.insert(call.name);
    switch (call.kind) {
      case Kind::kInt:
        EXPECT_EQ(Library::Get().Call(call.name, call.args), static_cast<int>(call.result));
        break;
      case Kind::kByte:
        EXPECT_EQ(Library::Get().CallBool(call.name, call.args), static_cast<int>(call.result));
        break;
      case Kind::kReal:
        EXPECT_EQ(Library::Get().CallReal(call.name, call.args), call.result);
        break;
      case Kind::kNone:
        Library::Get().Call(call.name, call.args);
        break;
    }
  }
  EXPECT_EQ(covered.size(), std::size(kExports)) << "an export has no quick call";
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, 'x'))
      << "a failed call wrote the caller's buffer";
  EXPECT_EQ(log.FramesAfter(frames_before, 0, std::chrono::milliseconds(0)),
            std::vector<std::string>())
      << "a call that should have failed at once sent frames";
}

}  // namespace
}  // namespace icbus::wine
