// The extensions of icbus.dll, found by name: fast replies for the C
// exports, and a session of its own that works a second line while the
// default session's download holds the first.
#include <windows.h>

#include <chrono>
#include <cstring>
#include <string>

#include "serial_fixture.h"

namespace icbus::wine {
namespace {

using NewSession = void*(WINAPI*)();
using WithSession = void(WINAPI*)(void*);

template <typename Function>
Function Find(const Library& dll, const char* name) {
  return reinterpret_cast<Function>(const_cast<void*>(dll.ByName(name)));
}

TEST_F(Serial, FastRepliesGiveTheSameFramesWithoutTheWait) {
  auto took = [&] {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(dll_.Call("GetTime", {Word(1), Word(5), Word(buffer_)}), 1);
    return std::chrono::steady_clock::now() - start;
  };
  auto compatible = took();
  Wire compatible_wire = WireSince(5);
  Restart();
  dll_.Call("icbus_set_fast_replies", {Word(1)});
  auto fast = took();
  dll_.Call("icbus_set_fast_replies", {Word(0)});
  EXPECT_EQ(WireSince(5), compatible_wire);
  // The compatible read waits 200 ms for a fourth byte after "OK!".
  EXPECT_GE(compatible, std::chrono::milliseconds(200));
  EXPECT_LT(fast, std::chrono::milliseconds(180));
}

TEST_F(Serial, OwnSessionWorksAnotherLineWhileTheDownloadHoldsThisOne) {
  auto create = Find<NewSession>(dll_, "icbus_session_new");
  auto enter = Find<WithSession>(dll_, "icbus_session_enter");
  auto leave = Find<WithSession>(dll_, "icbus_session_leave");
  auto release = Find<WithSession>(dll_, "icbus_session_free");
  ASSERT_TRUE(create && enter && leave && release);
  void* session = create();
  ASSERT_NE(session, nullptr);

  char line[32];
  ASSERT_EQ(dll_.Call("GetFirst", {Word(1), Word(9)}), 1);
  enter(session);
  // COM3's terminal 1; the download's port is not this session's.
  char clock[24] = {};
  EXPECT_EQ(dll_.Call("GetTime", {Word(3), Word(1), Word(clock)}), 1);
  EXPECT_EQ(std::strlen(clock), 14u);
  leave(session);
  ASSERT_EQ(dll_.Call("GetNextK", {Word(9), Word(line)}), 1);
  EXPECT_EQ(std::string(line).substr(0, 2), "20");
  // Abandoned early: "SZ!" still releases the terminal.
  EXPECT_EQ(dll_.Call("icbus_end_download", {}), 1);
  EXPECT_EQ(dll_.Call("icbus_end_download", {}), 0);
  EXPECT_EQ(WireSince(5),
            (Wire{"> M SA009!", "< N OK!", "> S SC!", "< N 26010108001234561!", "> S SZ!"}));
  release(session);
}

}  // namespace
}  // namespace icbus::wine
