// The tool says why a command failed, in the library's words: a device that
// is missing or held by another process, a terminal that stays silent or
// answers without its "!".
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "cli/failure_reason.h"
#include "cli/run.h"
#include "commands/catalog.h"
#include "locking_process.h"
#include "pty_terminal.h"
#include "tool_fixture.h"

namespace icbus::tool {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPortVariable = "ICBUS_COM77";
const std::string kAdvice =
    " \u2014 ICBUS_COM77 is /nonexistent/icbus-reason: check that the device exists and that "
    "you may use it (group dialout)";

class ReasonTest : public ::testing::Test {
 protected:
  void TearDown() override { ::unsetenv(kPortVariable); }
  int RunArgs(std::vector<std::string> args) {
    return tool::Run(args, AllCommands(), LibraryApi(), out_, err_);
  }
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(ReasonTest, AMissingDeviceIsNamedWithWhatToDo) {
  ::setenv(kPortVariable, "/nonexistent/icbus-reason", 1);
  EXPECT_EQ(RunArgs({"time", "get", "--port", "77", "--machine", "5"}), kExitFailed);
  EXPECT_EQ(err_.str(),
            "icbus: cannot open /nonexistent/icbus-reason (port 77): No such file or directory" +
                kAdvice + "\n");
}

TEST_F(ReasonTest, ASilentTerminalIsNotAPortProblem) {
  PtyTerminal terminal(PtyTerminal::Script{{"SA005!", "OK!"}});
  ASSERT_TRUE(terminal.ok());
  ::setenv(kPortVariable, terminal.path().c_str(), 1);
  EXPECT_EQ(RunArgs({"time", "get", "--port", "77", "--machine", "7"}), kExitFailed);
  EXPECT_EQ(err_.str(), "icbus: terminal 7 on port 77 (" + terminal.path() +
                            ") did not answer (no reply in 1 s)\n");
  EXPECT_EQ(terminal.FramesUntil("SZ!", 2s), (std::vector<std::string>{"SA007!", "SZ!"}));
}

TEST_F(ReasonTest, AReplyWithoutItsBangIsShown) {
  PtyTerminal terminal({{"SA005!", "OK!"}, {"SD!", "2024010203"}});
  ASSERT_TRUE(terminal.ok());
  ::setenv(kPortVariable, terminal.path().c_str(), 1);
  EXPECT_EQ(RunArgs({"time", "get", "--port", "77", "--machine", "5"}), kExitFailed);
  EXPECT_EQ(err_.str(), "icbus: terminal 5 on port 77 (" + terminal.path() +
                            ") answered \"2024010203\" to \"SD!\" without the closing \"!\"\n");
}

// What a site engineer needs to hear instead of "did not answer".
TEST_F(ReasonTest, RefusalsCutRepliesAndDevicePathsAreNamed) {
  struct Row {
    PtyTerminal::Script script;
    std::vector<std::string> args;  // after "--machine 5"; PORT: the device path
    int code;
    std::string err;  // what standard error must contain
  };
  const std::vector<Row> rows = {
      {{{"SA005!", "NO!"}},
       {"time", "get", "--port", "77"},
       kExitFailed,
       "icbus: terminal 5 on port 77 refused: "},
      {{{"SA005!", "OK!"}, {"SK!", "00012000012345!"}},
       {"records", "total", "--port", "77"},
       kExitFailed,
       "\u2014 if the terminal keeps amounts with two decimals, try --decimals 2\n"},
      {{{"SA005!", "OK!"}, {"SD!", "20240102030405!"}},
       {"time", "get", "--port", "PORT"},
       kExitOk,
       ""},
  };
  Host host;
  host.port_for_device = SystemHost().port_for_device;
  for (const Row& row : rows) {
    PtyTerminal terminal(row.script);
    ASSERT_TRUE(terminal.ok());
    ::setenv(kPortVariable, terminal.path().c_str(), 1);
    std::vector<std::string> args = row.args;
    for (std::string& arg : args) {
      if (arg == "PORT") arg = terminal.path();
    }
    args.insert(args.end(), {"--machine", "5"});
    SCOPED_TRACE(Typed(args));
    err_.str("");
    EXPECT_EQ(tool::Run(args, AllCommands(), LibraryApi(), out_, err_, host), row.code);
    EXPECT_NE(err_.str().find(row.err), std::string::npos) << err_.str();
    if (row.err.empty()) {
      EXPECT_EQ(err_.str(), "");
    }
  }
}

TEST_F(ReasonTest, APortHeldByAnotherProcessIsSaidSo) {
  PtyTerminal terminal({{"SA005!", "OK!"}, {"SD!", "20240102030405!"}});
  ASSERT_TRUE(terminal.ok());
  ::setenv(kPortVariable, terminal.path().c_str(), 1);
  {
    icbus::test_support::LockingProcess other(terminal.path());
    ASSERT_TRUE(other.locked());
    EXPECT_EQ(RunArgs({"time", "get", "--port", "77", "--machine", "5"}), kExitFailed);
    // The holder is named where the system tells who it is.
    const std::string said = "icbus: port 77 (" + terminal.path() + ") is held by another process";
    EXPECT_EQ(err_.str().substr(0, said.size()), said);
    EXPECT_EQ(err_.str().back(), '\n');
  }
  // Released, the same command goes through.
  err_.str("");
  EXPECT_EQ(RunArgs({"time", "get", "--port", "77", "--machine", "5"}), kExitOk) << err_.str();
}

TEST(OpenAdviceTest, NamesTheVariableOfThePortInTheReason) {
  EXPECT_EQ(OpenAdvice("cannot open /dev/ttyS1 (port 2): No such file or directory"),
            " \u2014 set ICBUS_COM2 or check that you may use the device (group dialout)");
  EXPECT_EQ(OpenAdvice("cannot open /dev/ttyUSB0: Permission denied"), "");
  EXPECT_EQ(OpenAdvice("cannot open x (port ): y"), "");
}

// Without a reason from the library (a fake bus, or a call that succeeded
// before the command found fault with its answer) the command's words stand.
TEST(FailureTextTest, KeepsTheCommandsWordsWithoutALibraryReason) {
  BusApi bus;
  Outcome failed = Outcome::Failure("terminal 5 on port 1 sent a clock that is no clock");
  EXPECT_EQ(FailureText(failed, bus), failed.message);
  bus.last_error = [] { return 0; };
  bus.last_error_message = [] { return ""; };
  EXPECT_EQ(FailureText(failed, bus), failed.message);
  // A reply the command has interpreted already keeps the command's words.
  bus.last_error = [] { return static_cast<int>(ICBUS_ERR_CARD_KEY); };
  bus.last_error_message = [] { return "the card writer on port 1 (COM1) answered \"R2!\""; };
  EXPECT_EQ(FailureText(failed, bus), failed.message);
  bus.last_error = [] { return static_cast<int>(ICBUS_ERR_SILENT); };
  bus.last_error_message = [] { return "terminal 5 on port 1 (COM1) did not answer"; };
  EXPECT_EQ(FailureText(failed, bus), "terminal 5 on port 1 (COM1) did not answer");
  EXPECT_EQ(FailureText(Outcome::Usage("--machine needs a value"), bus), "--machine needs a value");
}

}  // namespace
}  // namespace icbus::tool
