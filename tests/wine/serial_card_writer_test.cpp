// The desktop card writer through Wine's serial layer, with no card on it:
// every block operation meets "no single card" (code 2) after the read. It
// shares the COM1 line with the terminals: it hears only frames at no
// parity, they only frames with the ninth bit.
#include <cstring>
#include <string>

#include "serial_fixture.h"

namespace icbus::wine {
namespace {

// One beep pattern: the command at no parity, the writer's answer, and the
// release every card-writer exchange ends with.
Wire Beep(const char* pattern) {
  return {std::string("> N SZ") + pattern + "!", "< N DONE!", "> S SZ!"};
}

Wire Join(Wire first, const Wire& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

const Wire kSuccessBeep = Beep("001");
const Wire kFailureBeep = Join(Beep("001"), Beep("006"));

// Reading block 0 of sector 1 (absolute block 4) with no card on the writer.
const Wire kNoCardRead = {"> N SR0104!", "< N R1!", "> S SZ!"};

TEST_F(Serial, WriterKeyIsLoadedAtNoParity) {
  EXPECT_EQ(dll_.Call("SetPassA", {Word(1), Word("A1B2C3D4E5F6")}), 1);
  EXPECT_EQ(WireSince(3), (Wire{"> N SGA1B2C3D4E5F6!", "< N DONE!", "> S SZ!"}));
  Restart();
  EXPECT_EQ(dll_.Call("SetPassA", {Word(1), Word("FFFFFFFFFFFF")}), 1);
  EXPECT_EQ(WireSince(3), (Wire{"> N SGFFFFFFFFFFFF!", "< N DONE!", "> S SZ!"}));
}

TEST_F(Serial, WriterBeepsOnceForSuccessAndTwiceForFailure) {
  dll_.Call("BeepAX", {Word(1), Word(0)});
  EXPECT_EQ(WireSince(3), kSuccessBeep);
  Restart();
  dll_.Call("BeepAX", {Word(1), Word(1)});
  EXPECT_EQ(WireSince(6), kFailureBeep);
}

TEST_F(Serial, ReadCardWithoutACardFailsAndBeepsFailure) {
  EXPECT_EQ(dll_.Call("ReadCard", {Word(1), Word(1), Word(0), Word(buffer_)}), 2);
  EXPECT_EQ(Buffer(), Untouched());
  EXPECT_EQ(WireSince(9), Join(kNoCardRead, kFailureBeep));
}

// Writing the card number reads the block first; a failed read is answered
// with the success beep, as the writer's hosts have always heard it.
TEST_F(Serial, WriteCardWithoutACardFailsAfterTheRead) {
  EXPECT_EQ(dll_.Call("WriteCard", {Word(1), Word(1), Word(0), Word("123456")}), 2);
  EXPECT_EQ(WireSince(6), Join(kNoCardRead, kSuccessBeep));
}

TEST_F(Serial, IncreaseWithoutACardFailsAfterTheRead) {
  EXPECT_EQ(dll_.Call("Increase", {Word(1), Word(0), Word(1), Word(0), Real(10.0), Word(0)}), 2);
  EXPECT_EQ(WireSince(9), Join(kNoCardRead, kFailureBeep));
}

TEST_F(Serial, BalanceWithoutACardIsMinusOne) {
  EXPECT_EQ(dll_.CallReal("ReadBalance", {Word(1), Word(1), Word(0), Word(0)}), -1.0);
  EXPECT_EQ(WireSince(9), Join(kNoCardRead, kFailureBeep));
}

}  // namespace
}  // namespace icbus::wine
