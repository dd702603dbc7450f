// Why a call failed, from icbus.dll under Wine: the two extensions found by
// name, a COM port that does not exist told in the system's own words (as
// UTF-8), a silent terminal and a card writer's code on a real line.
#include <windows.h>

#include <cstdio>
#include <string>

#include "serial_fixture.h"

namespace icbus::wine {
namespace {

using LastError = int(WINAPI*)();
using LastErrorMessage = const char*(WINAPI*)();

// icbus.h's codes, as a host without the header would copy them.
constexpr int kPortOpen = 2;
constexpr int kSilent = 8;
constexpr int kCardNoSingle = 11;

class Reason : public Serial {
 protected:
  void SetUp() override {
    Serial::SetUp();
    code_ = reinterpret_cast<LastError>(const_cast<void*>(dll_.ByName("icbus_last_error")));
    message_ = reinterpret_cast<LastErrorMessage>(
        const_cast<void*>(dll_.ByName("icbus_last_error_message")));
    ASSERT_NE(code_, nullptr);
    ASSERT_NE(message_, nullptr);
  }
  int Code() const { return code_(); }
  std::string Message() const { return message_(); }

  LastError code_ = nullptr;
  LastErrorMessage message_ = nullptr;
};

bool ValidUtf8(const std::string& text) {
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                             static_cast<int>(text.size()), nullptr, 0) > 0;
}

// No such port at all: CreateFile fails, and the reason carries the
// system's own message. (COM2 of the fixture is mapped to a path that does
// not exist; Wine opens that and refuses its line settings instead.)
TEST_F(Reason, AMissingComPortIsTheSystemsOwnMessage) {
  EXPECT_EQ(dll_.Call("GetTime", {Word(200), Word(5), Word(buffer_)}), 0);
  EXPECT_EQ(Code(), kPortOpen);
  const std::string message = Message();
  const std::string head = "cannot open \\\\.\\COM200 (port 200): ";
  ASSERT_EQ(message.rfind(head, 0), 0u) << message;
  const std::string system = message.substr(head.size());
  EXPECT_FALSE(system.empty());
  EXPECT_EQ(system.rfind("system error ", 0), std::string::npos) << system;
  EXPECT_NE(system.back(), '\n');
  EXPECT_TRUE(ValidUtf8(message)) << message;
  EXPECT_EQ(Buffer(), Untouched());
  std::printf("reason under this system: %s\n", message.c_str());
}

TEST_F(Reason, AComPortThatDoesNotAnswerItsSettingsIsNotPassedOff) {
  EXPECT_EQ(dll_.Call("GetTime", {Word(2), Word(5), Word(buffer_)}), 0);
  EXPECT_NE(Code(), 0);
  EXPECT_NE(Message().find("COM2"), std::string::npos) << Message();
}

TEST_F(Reason, ASilentTerminalAndThenASuccess) {
  EXPECT_EQ(dll_.Call("GetTime", {Word(1), Word(77), Word(buffer_)}), 0);
  EXPECT_EQ(Code(), kSilent);
  EXPECT_EQ(Message(), "terminal 77 on port 1 (COM1) did not answer (no reply in 1 s)");
  EXPECT_EQ(WireSince(2), (Wire{"> M SA077!", "> S SZ!"}));
  EXPECT_EQ(dll_.Call("GetTime", {Word(1), Word(5), Word(buffer_)}), 1);
  EXPECT_EQ(Code(), 0);
  EXPECT_EQ(Message(), "");
}

TEST_F(Reason, TheCardWritersCodeIsNamed) {
  char out[40];
  EXPECT_EQ(dll_.Call("ReadCard", {Word(1), Word(2), Word(2), Word(out)}), 2);
  EXPECT_EQ(Code(), kCardNoSingle);
  EXPECT_EQ(Message(),
            "the card writer on port 1 (COM1) answered \"R1!\": no single card in the field "
            "(none, or several at once)");
}

}  // namespace
}  // namespace icbus::wine
