// Card operations through Wine's serial layer against the card writer on
// COM3, which holds a blank card (every block zeros, every sector opened by
// key FFFFFFFFFFFF). Each operation reads the purse block (sector 1, block
// 0: absolute block 4), writes it back changed and beeps.
#include <cstring>
#include <string>

#include "serial_fixture.h"

namespace icbus::wine {
namespace {

constexpr int kPort = 3;

class Card : public SecondLine {
 protected:
  // The frames of one read-modify-write that succeeded: read, write, one
  // beep. The block text is the card layout's business; the frames around
  // it are checked here.
  void ExpectReadWriteBeep(const char* what) {
    Wire wire = WireSince(9);
    ASSERT_EQ(wire.size(), 9u) << what << ": " << ::testing::PrintToString(wire);
    EXPECT_EQ(wire[0], "> N SR0104!") << what;
    EXPECT_EQ(wire[1].rfind("< N ", 0), 0u) << what;
    EXPECT_EQ(wire[1].size(), std::string("< N !").size() + 32) << what;
    EXPECT_EQ(wire[2], "> S SZ!") << what;
    EXPECT_EQ(wire[3].rfind("> N SW0104", 0), 0u) << what;
    EXPECT_EQ(Wire(wire.begin() + 4, wire.end()),
              (Wire{"< N DONE!", "> S SZ!", "> N SZ001!", "< N DONE!", "> S SZ!"}))
        << what;
  }
};

TEST_F(Card, NumberAndPurseRoundTrip) {
  EXPECT_EQ(dll_.Call("WriteCard", {Word(kPort), Word(1), Word(0), Word("123456")}), 1);
  ExpectReadWriteBeep("WriteCard");

  char number[16];
  std::memset(number, 'x', sizeof number);
  Restart();
  EXPECT_EQ(dll_.Call("ReadCard", {Word(kPort), Word(1), Word(0), Word(number)}), 1);
  EXPECT_STREQ(number, "123456");
  Wire read = WireSince(6);
  ASSERT_EQ(read.size(), 6u) << ::testing::PrintToString(read);
  EXPECT_EQ(read[0], "> N SR0104!");
  EXPECT_EQ(Wire(read.begin() + 2, read.end()),
            (Wire{"> S SZ!", "> N SZ001!", "< N DONE!", "> S SZ!"}));

  // 12.5 yuan in tenths (amount mode 0) onto the empty purse.
  Restart();
  EXPECT_EQ(dll_.Call("Increase", {Word(kPort), Word(0), Word(1), Word(0), Real(12.5), Word(0)}),
            1);
  ExpectReadWriteBeep("Increase");
  Restart();
  EXPECT_DOUBLE_EQ(dll_.CallReal("ReadBalance", {Word(kPort), Word(1), Word(0), Word(0)}), 12.5);
  EXPECT_EQ(dll_.Call("ReadCardAddCount", {Word(kPort), Word(1), Word(0)}), 1);

  // More than the balance: refused after the read, with nothing written
  // and no beep.
  Restart();
  EXPECT_EQ(dll_.Call("Decrease", {Word(kPort), Word(0), Word(1), Word(0), Real(20.0), Word(0)}),
            5);
  Wire refused = WireSince(3);
  ASSERT_EQ(refused.size(), 3u) << ::testing::PrintToString(refused);
  EXPECT_EQ(refused[0], "> N SR0104!");
  EXPECT_EQ(refused[2], "> S SZ!");
  Restart();
  EXPECT_DOUBLE_EQ(dll_.CallReal("ReadBalance", {Word(kPort), Word(1), Word(0), Word(0)}), 12.5);
}

TEST_F(Card, AnotherKeyDoesNotOpenTheSector) {
  ASSERT_EQ(dll_.Call("SetPassA", {Word(kPort), Word("A1B2C3D4E5F6")}), 1);
  char number[16];
  std::memset(number, 'x', sizeof number);
  Restart();
  EXPECT_EQ(dll_.Call("ReadCard", {Word(kPort), Word(1), Word(0), Word(number)}), 3);
  EXPECT_EQ(std::string(number, sizeof number), std::string(sizeof number, 'x'));
  EXPECT_EQ(WireSince(9), (Wire{"> N SR0104!", "< N R2!", "> S SZ!", "> N SZ001!", "< N DONE!",
                                "> S SZ!", "> N SZ006!", "< N DONE!", "> S SZ!"}));
  ASSERT_EQ(dll_.Call("SetPassA", {Word(kPort), Word("FFFFFFFFFFFF")}), 1);
}

}  // namespace
}  // namespace icbus::wine
