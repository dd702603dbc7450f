// The clock and clearing commands and the port session through Wine's
// serial layer (the lines: serial_fixture.h).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "serial_fixture.h"

namespace icbus::wine {
namespace {

std::string LocalStamp() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char text[16];
  std::snprintf(text, sizeof text, "%04u%02u%02u%02u%02u%02u", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond);
  return text;
}

TEST_F(Serial, GetTimeCopiesTheClockTextTheTerminalSent) {
  ASSERT_EQ(dll_.Call("GetTime", {Word(1), Word(5), Word(buffer_)}), 1);
  std::string clock(buffer_);
  EXPECT_EQ(clock.size(), 14u);
  EXPECT_EQ(Buffer().substr(15), Untouched().substr(15)) << "wrote past the terminator";
  EXPECT_EQ(WireSince(5),
            (Wire{"> M SA005!", "< N OK!", "> S SD!", "< N " + clock + "!", "> S SZ!"}));
}

TEST_F(Serial, SetTimeSendsTheLocalTimeOfSendingAndTheTerminalKeepsIt) {
  std::string before = LocalStamp();
  ASSERT_EQ(dll_.Call("SetTime", {Word(1), Word(5)}), 1);
  std::string after = LocalStamp();
  Wire wire = WireSince(5);
  ASSERT_EQ(wire.size(), 5u) << ::testing::PrintToString(wire);
  const std::string& set = wire[2];
  ASSERT_EQ(set.size(), std::string("> S SE").size() + 14 + 1) << set;
  std::string sent = set.substr(6, 14);
  EXPECT_EQ(set.substr(0, 6), "> S SE");
  EXPECT_EQ(set.back(), '!');
  EXPECT_LE(before, sent);
  EXPECT_LE(sent, after);
  EXPECT_EQ(wire, (Wire{"> M SA005!", "< N OK!", "> S SE" + sent + "!", "< N DONE!", "> S SZ!"}));

  Restart();
  ASSERT_EQ(dll_.Call("GetTime", {Word(1), Word(5), Word(buffer_)}), 1);
  EXPECT_EQ(std::string(buffer_), sent);
  EXPECT_EQ(WireSince(5).at(3), "< N " + sent + "!");
}

// Transactions whose whole wire is known in advance.
struct WireCase {
  const char* label;
  const char* name;
  std::vector<int> args;
  int result;
  Wire wire;
};

class SerialWire : public Serial, public ::testing::WithParamInterface<WireCase> {};

TEST_P(SerialWire, ResultAndFrames) {
  const WireCase& c = GetParam();
  Args words;
  for (int arg : c.args) words.push_back(Word(arg));
  EXPECT_EQ(dll_.Call(c.name, words), c.result);
  EXPECT_EQ(WireSince(c.wire.size()), c.wire);
}

INSTANTIATE_TEST_SUITE_P(
    Transactions, SerialWire,
    ::testing::Values(
        WireCase{"ClearA",
                 "ClearA",
                 {1, 5, 123456},
                 1,
                 {"> M SA005123456!", "< N OK!", "> S SJ!", "< N DONE!", "> S SZ!"}},
        WireCase{"ClearAWrongCard", "ClearA", {1, 5, 654321}, 0, {"> M SA005654321!", "> S SZ!"}},
        WireCase{"ClearAPadsTheCard", "ClearA", {1, 5, 42}, 0, {"> M SA005000042!", "> S SZ!"}},
        WireCase{"ClearPlain",
                 "Clear",
                 {1, 1},
                 1,
                 {"> M SA001!", "< N OK!", "> S SJ!", "< N DONE!", "> S SZ!"}},
        WireCase{"SetTimeWrongMachine", "SetTime", {1, 7}, 0, {"> M SA007!", "> S SZ!"}},
        WireCase{"MissingPort", "Clear", {2, 5}, 0, {}}),
    [](const ::testing::TestParamInfo<WireCase>& info) { return std::string(info.param.label); });

TEST_F(Serial, GetTimeOfAnAbsentMachineFailsAndLeavesTheBuffer) {
  EXPECT_EQ(dll_.Call("GetTime", {Word(1), Word(7), Word(buffer_)}), 0);
  EXPECT_EQ(Buffer(), Untouched());
  EXPECT_EQ(WireSince(2), (Wire{"> M SA007!", "> S SZ!"}));
}

TEST_F(Serial, GetTimeAWithTheWrongCardFailsAndLeavesTheBuffer) {
  EXPECT_EQ(dll_.Call("GetTimeA", {Word(1), Word(5), Word(buffer_), Word(123457)}), 0);
  EXPECT_EQ(Buffer(), Untouched());
  EXPECT_EQ(WireSince(2), (Wire{"> M SA005123457!", "> S SZ!"}));
}

TEST_F(Serial, GetTimeOnAMissingPortFailsWithoutSending) {
  EXPECT_EQ(dll_.Call("GetTime", {Word(2), Word(5), Word(buffer_)}), 0);
  EXPECT_EQ(Buffer(), Untouched());
  EXPECT_EQ(WireSince(0), Wire{});
}

TEST_F(Serial, PortsFromTenOnAreReachedThroughTheDeviceNamespace) {
  ASSERT_EQ(dll_.Call("GetTimeA", {Word(10), Word(5), Word(buffer_), Word(123456)}), 1);
  std::string clock(buffer_);
  EXPECT_EQ(WireSince(5),
            (Wire{"> M SA005123456!", "< N OK!", "> S SD!", "< N " + clock + "!", "> S SZ!"}));
}

TEST_F(Serial, HeldPortRefusesASecondOpenAndEveryTransaction) {
  ASSERT_EQ(dll_.CallBool("icDevInit", {Word("1")}), 1);
  EXPECT_EQ(dll_.CallBool("icDevInit", {Word("1")}), 0);
  EXPECT_EQ(dll_.Call("GetTime", {Word(1), Word(5), Word(buffer_)}), 0);
  EXPECT_EQ(Buffer(), Untouched());
  EXPECT_EQ(dll_.CallBool("ChangeicDevSettings", {Word(0)}), 1);
  EXPECT_EQ(dll_.CallBool("ChangeicDevSettings", {Word(1)}), 1);
  EXPECT_EQ(dll_.CallBool("ChangeicDevSettings", {Word(2)}), 1);
  EXPECT_EQ(dll_.Call("icDevClose", {}), 1);
  EXPECT_EQ(dll_.Call("icDevClose", {}), 0);
  EXPECT_EQ(dll_.CallBool("ChangeicDevSettings", {Word(0)}), 0);
  EXPECT_EQ(WireSince(0), Wire{});
  // Released: the next transaction opens the port again.
  Restart();
  EXPECT_EQ(dll_.Call("Clear", {Word(1), Word(1)}), 1);
  EXPECT_EQ(WireSince(5).size(), 5u);
}

TEST_F(Serial, MissingPortCannotBeOpened) {
  EXPECT_EQ(dll_.CallBool("icDevInit", {Word("2")}), 0);
  EXPECT_EQ(dll_.Call("icDevClose", {}), 0);
}

}  // namespace
}  // namespace icbus::wine
