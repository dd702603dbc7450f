// The tool against the real library: the BusApi rows must reach the exports
// they name, and the exports' answers must come back through the tool.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <sstream>

#include "catalog.h"
#include "pty_terminal.h"
#include "run.h"

namespace icbus::tool {
namespace {

using namespace std::chrono_literals;
using Frames = std::vector<std::string>;

// A port number no developer machine maps to a real device.
constexpr const char* kPortVariable = "ICBUS_COM77";

class LibraryTest : public ::testing::Test {
 protected:
  void TearDown() override { ::unsetenv(kPortVariable); }
  int RunArgs(std::vector<std::string> args) {
    return tool::Run(args, AllCommands(), LibraryApi(), out_, err_);
  }
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(LibraryTest, MissingDeviceIsAFailedOperation) {
  ::setenv(kPortVariable, "/nonexistent/icbus-tool-test", 1);
  EXPECT_EQ(RunArgs({"time", "get", "--port", "77", "--machine", "5"}), kExitFailed);
  EXPECT_EQ(err_.str(), "icbus: terminal 5 on port 77 did not answer the clock request\n");
  EXPECT_EQ(out_.str(), "");
}

TEST_F(LibraryTest, TimeGetReadsTheTerminal) {
  PtyTerminal terminal({{"SA005!", "OK!"}, {"SD!", "20240102030405!"}});
  ASSERT_TRUE(terminal.ok());
  ::setenv(kPortVariable, terminal.path().c_str(), 1);
  EXPECT_EQ(RunArgs({"time", "get", "--port", "77", "--machine", "5"}), kExitOk) << err_.str();
  EXPECT_EQ(out_.str(), "20240102030405\n");
  EXPECT_EQ(terminal.FramesUntil("SZ!", 2s), (Frames{"SA005!", "SD!", "SZ!"}));
}

TEST_F(LibraryTest, ClearWithCardSendsTheSixDigitAddress) {
  PtyTerminal terminal({{"SA005000042!", "OK!"}, {"SJ!", "DONE!"}});
  ASSERT_TRUE(terminal.ok());
  ::setenv(kPortVariable, terminal.path().c_str(), 1);
  EXPECT_EQ(RunArgs({"clear", "--port", "77", "--machine", "5", "--card", "42"}), kExitOk)
      << err_.str();
  EXPECT_EQ(terminal.FramesUntil("SZ!", 2s), (Frames{"SA005000042!", "SJ!", "SZ!"}));
}

TEST_F(LibraryTest, TimeSetSendsTheHostClock) {
  PtyTerminal terminal({{"SA009!", "OK!"}, {"SE", "DONE!"}});
  ASSERT_TRUE(terminal.ok());
  ::setenv(kPortVariable, terminal.path().c_str(), 1);
  EXPECT_EQ(RunArgs({"time", "set", "--port", "77", "--machine", "9"}), kExitOk) << err_.str();
  Frames frames = terminal.FramesUntil("SZ!", 2s);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[1].size(), 17u) << frames[1];
  EXPECT_EQ(frames[1].rfind("SE", 0), 0u) << frames[1];
}

TEST_F(LibraryTest, ARefusalIsAFailedOperation) {
  PtyTerminal terminal({{"SA005!", "OK!"}, {"SJ!", "FAIL!"}});
  ASSERT_TRUE(terminal.ok());
  ::setenv(kPortVariable, terminal.path().c_str(), 1);
  EXPECT_EQ(RunArgs({"clear", "--port", "77", "--machine", "5"}), kExitFailed);
  EXPECT_EQ(err_.str(), "icbus: terminal 5 on port 77 did not confirm clearing its records\n");
  EXPECT_EQ(terminal.FramesUntil("SZ!", 2s), (Frames{"SA005!", "SJ!", "SZ!"}));
}

}  // namespace
}  // namespace icbus::tool
