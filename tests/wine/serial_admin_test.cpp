// Terminal administration through Wine's serial layer: a card list, the
// course addressed in the command, a double argument and a double result,
// and a broadcast on a line with one terminal.
#include <string>

#include "serial_fixture.h"

namespace icbus::wine {
namespace {

TEST_F(Serial, CardListAddQueryRemove) {
  EXPECT_EQ(dll_.Call("SetOpenCard", {Word(1), Word(5), Word("123456")}), 1);
  EXPECT_EQ(WireSince(5), TwoPhase("SA005!", "SO123456!", "DONE!"));
  Restart();
  EXPECT_EQ(dll_.Call("QueryCard", {Word(1), Word(5), Word("123456")}), 1);
  EXPECT_EQ(WireSince(5), TwoPhase("SA005!", "SQ123456!", "1!"));
  Restart();
  EXPECT_EQ(dll_.Call("DelOpenCard", {Word(1), Word(5), Word("123456")}), 1);
  EXPECT_EQ(WireSince(5), TwoPhase("SA005!", "SN123456!", "DONE!"));
  Restart();
  EXPECT_EQ(dll_.Call("QueryCard", {Word(1), Word(5), Word("123456")}), 0);
  EXPECT_EQ(WireSince(5), TwoPhase("SA005!", "SQ123456!", "0!"));
}

// "ST" carries the machine number in address mode; "SZ!" still closes in
// data mode.
TEST_F(Serial, StateIsAskedWithTheMachineNumberInTheCommand) {
  EXPECT_EQ(dll_.Call("GetState", {Word(1), Word(5)}), 1);
  EXPECT_EQ(WireSince(3), (Wire{"> M ST005!", "< N 1!", "> S SZ!"}));
  Restart();
  EXPECT_EQ(dll_.Call("GetState", {Word(1), Word(7)}), -1);
  EXPECT_EQ(WireSince(2), (Wire{"> M ST007!", "> S SZ!"}));
}

// The amount arrives as a double (on the stack, or in XMM3 on x86_64) and
// goes out in truncated tenths.
TEST_F(Serial, KeyboardAmountArrivesAsADouble) {
  EXPECT_EQ(dll_.Call("SetKeyboard", {Word(1), Word(5), Word(3), Real(12.5)}), 1);
  EXPECT_EQ(WireSince(5), TwoPhase("SA005!", "SH3125!", "DONE!"));
  Restart();
  EXPECT_EQ(dll_.Call("SetKeyboard", {Word(1), Word(5), Word(0), Real(0.29)}), 1);
  EXPECT_EQ(WireSince(5), TwoPhase("SA005!", "SH0002!", "DONE!"));
}

// Terminal 5 holds no records and a total of 1234 tenths of a yuan.
TEST_F(Serial, TotalComesBackAsADouble) {
  EXPECT_DOUBLE_EQ(dll_.CallReal("GetTotal", {Word(1), Word(5)}), 123.4);
  EXPECT_EQ(WireSince(5), TwoPhase("SA005!", "SK!", "00000001234!"));
  Restart();
  EXPECT_EQ(dll_.CallReal("GetTotal", {Word(1), Word(7)}), -1.0);
  EXPECT_EQ(WireSince(2), (Wire{"> M SA007!", "> S SZ!"}));
}

// Every terminal on the line hears a broadcast and answers it; the library
// sends no "SZ!" after it, as no terminal was selected.
TEST_F(SecondLine, MachineNumberIsBroadcastWithoutRelease) {
  EXPECT_EQ(dll_.Call("SetMachNo", {Word(3), Word("002K")}), 1);
  EXPECT_EQ(WireSince(2), (Wire{"> M SV002K!", "< N DONE!"}));
  Restart();
  EXPECT_EQ(dll_.Call("GetState", {Word(3), Word(2)}), 1) << "the terminal took its new number";
  EXPECT_EQ(WireSince(3), (Wire{"> M ST002!", "< N 1!", "> S SZ!"}));
}

}  // namespace
}  // namespace icbus::wine
