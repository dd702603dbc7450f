// The DLL's export table and calling convention: every entry point found by
// name and by ordinal, nothing else exported, and every call leaving the
// stack as it found it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "export_table.h"
#include "library.h"
#include "stack_call.h"

namespace icbus::wine {
namespace {

// Controls for the stack check itself: it must see a cdecl callee, and a
// stdcall callee that removes the wrong number of bytes.
int __cdecl CdeclAdd(int a, int b) { return a + b; }
int __stdcall StdcallAdd(int a, int b) { return a + b; }
int __stdcall StdcallAddThree(int a, int b, int c) { return a + b + c; }

TEST(StackCheck, SeesBalancedAndUnbalancedCallees) {
  const std::uint32_t args[] = {2, 3, 4};
  StackCall balanced = CallStdcall(reinterpret_cast<const void*>(&StdcallAdd), args, 2);
  EXPECT_EQ(balanced.result, 5u);
  EXPECT_EQ(balanced.esp_shift, 0);
  StackCall cdecl_callee = CallStdcall(reinterpret_cast<const void*>(&CdeclAdd), args, 2);
  EXPECT_EQ(cdecl_callee.result, 5u);
  EXPECT_EQ(cdecl_callee.esp_shift, -8);
  StackCall too_few = CallStdcall(reinterpret_cast<const void*>(&StdcallAddThree), args, 2);
  EXPECT_EQ(too_few.esp_shift, 4);
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

TEST(Exports, DirectoryHoldsExactlyTheTable) {
  std::vector<ExportEntry> found = Library::Get().NamedExports();
  std::vector<std::string> actual, expected;
  for (const ExportEntry& entry : found)
    actual.push_back(entry.name + "@" + std::to_string(entry.ordinal));
  int highest = 0;
  for (const ExportRow& row : kExports) {
    expected.push_back(std::string(row.name) + "@" + std::to_string(row.ordinal));
    highest = std::max(highest, row.ordinal);
  }
  std::sort(actual.begin(), actual.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(Library::Get().OrdinalBase(), 1);
  EXPECT_EQ(Library::Get().FunctionCount(), highest);
}

TEST(Exports, NoDecoratedNames) {
  for (const ExportEntry& entry : Library::Get().NamedExports()) {
    EXPECT_EQ(entry.name.find('@'), std::string::npos) << entry.name;
    EXPECT_NE(entry.name[0], '_') << entry.name;
  }
}

// Calls that end before any port is opened: the result, the stack and the
// caller's buffer are checked for every export with its full argument list.
struct QuickCall {
  const char* name;
  std::vector<std::uint32_t> args;
  std::uint32_t result;
  bool one_byte;  // only the low byte of the result is defined
};

TEST(Exports, EveryExportBalancesTheStackAndFailsFastOnBadArguments) {
  char buffer[32];
  std::memset(buffer, 'x', sizeof buffer);
  const std::uint32_t out = Word(buffer);
  const std::vector<QuickCall> calls = {
      {"SetDecLen", {Word("2")}, 1, true},
      {"SetDecLen", {Word(static_cast<const char*>(nullptr))}, 1, true},
      {"SetDecLen", {Word("")}, 1, true},
      {"icDevInit", {Word("0")}, 0, true},
      {"icDevInit", {Word("1x")}, 0, true},
      {"icDevInit", {Word(static_cast<const char*>(nullptr))}, 0, true},
      {"icDevClose", {}, 0, false},
      {"ChangeicDevSettings", {Word(0)}, 0, true},
      {"ChangeicDevSettings", {Word(1)}, 0, true},
      {"GetTime", {Word(0), Word(5), out}, 0, false},
      {"GetTime", {Word(1), Word(1000), out}, 0, false},
      {"GetTimeA", {Word(1), Word(5), out, Word(1000000)}, 0, false},
      {"GetTimeA", {Word(1), Word(5), out, Word(-1)}, 0, false},
      {"SetTime", {Word(-1), Word(5)}, 0, false},
      {"SetTime", {Word(1), Word(-1)}, 0, false},
      {"SetTimeA", {Word(1), Word(5), Word(1000000)}, 0, false},
      {"Clear", {Word(0), Word(1)}, 0, false},
      {"ClearA", {Word(1), Word(1000), Word(123456)}, 0, false},
  };
  std::set<std::string> covered;
  for (const QuickCall& call : calls) {
    const ExportRow* row =
        std::find_if(std::begin(kExports), std::end(kExports),
                     [&](const ExportRow& r) { return call.name == std::string(r.name); });
    ASSERT_NE(row, std::end(kExports)) << call.name;
    ASSERT_EQ(static_cast<int>(4 * call.args.size()), row->argument_bytes) << call.name;
    covered.insert(call.name);
    std::uint32_t result = Library::Get().Call(call.name, call.args);
    if (call.one_byte) result &= 0xFF;
    EXPECT_EQ(result, call.result) << call.name;
  }
  EXPECT_EQ(covered.size(), std::size(kExports)) << "an export has no quick call";
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, 'x'))
      << "a failed call wrote the caller's buffer";
  Library::Get().Call("SetDecLen", {Word("")});
}

}  // namespace
}  // namespace icbus::wine
