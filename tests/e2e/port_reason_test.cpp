// The library's reason for a port it cannot use, with the real POSIX
// backend: a missing device, a device the user may not open, a device
// another process or another bus of this program holds.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "icbus.h"
#include "locking_process.h"
#include "sim_process.h"

namespace icbus::e2e {
namespace {

using icbus::test_support::LockingProcess;

std::string Reason() { return icbus_last_error_message(); }

std::string SlaveOf(const std::string& link) {
  char target[PATH_MAX] = {};
  ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

TEST(PortReason, AMissingDeviceIsNamedWithTheSystemsWords) {
  PortMapping com3(3, "/nonexistent/icbus-e2e");
  char clock[32];
  EXPECT_EQ(GetTime(3, 5, clock), 0);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_PORT_OPEN);
  EXPECT_EQ(Reason(), "cannot open /nonexistent/icbus-e2e (port 3): No such file or directory");
}

TEST(PortReason, APortWithoutAMappingIsTheSerialDeviceOfItsNumber) {
  ::unsetenv("ICBUS_COM200");
  EXPECT_EQ(icDevInit("200"), 0);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_PORT_OPEN);
  EXPECT_EQ(Reason().rfind("cannot open /dev/ttyS199 (port 200): ", 0), 0u) << Reason();
}

TEST(PortReason, AFileThatIsNoTerminalIsNoSerialPort) {
  PortMapping com3(3, "/dev/null");
  EXPECT_EQ(icDevInit("3"), 0);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_PORT_OPEN);
  EXPECT_EQ(Reason(), "cannot open /dev/null (port 3): not a serial port");
}

// Runs `program` with `args` as the user nobody; its standard output.
std::string RunAsNobody(const std::vector<std::string>& command, int* status) {
  std::string line = "setpriv --reuid=nobody --regid=nogroup --clear-groups --";
  for (const std::string& word : command) line += " '" + word + "'";
  line += " 2>&1";
  std::string output;
  FILE* pipe = ::popen(line.c_str(), "r");
  if (!pipe) return output;
  char chunk[256];
  while (std::fgets(chunk, sizeof chunk, pipe)) output += chunk;
  *status = ::pclose(pipe);
  return output;
}

class Unprivileged : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the probe as the user nobody";
    if (::access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "setpriv (util-linux) missing";
    ASSERT_TRUE(sim_.running());
    slave_ = SlaveOf(sim_.link());
    ASSERT_FALSE(slave_.empty());
  }
  SimProcess sim_;
  std::string slave_;
};

TEST_F(Unprivileged, ADeviceTheUserMayNotOpenIsPermissionDenied) {
  PortMapping com1(1, slave_);
  int status = -1;
  std::string output = RunAsNobody({ICBUS_PROBE_PATH, "1", "5"}, &status);
  ASSERT_EQ(status, 0) << output;
  EXPECT_EQ(output, "0 " + std::to_string(ICBUS_ERR_PORT_OPEN) + " cannot open " + slave_ +
                        " (port 1): Permission denied\n");
  EXPECT_TRUE(sim_.Frames().empty());
}

TEST_F(Unprivileged, TheToolTellsWhatToDoAboutIt) {
  PortMapping com1(1, slave_);
  int status = -1;
  std::string output =
      RunAsNobody({ICBUS_TOOL_PATH, "time", "get", "--port", "1", "--machine", "5"}, &status);
  EXPECT_NE(status, 0);
  EXPECT_EQ(output, "icbus: cannot open " + slave_ +
                        " (port 1): Permission denied \u2014 ICBUS_COM1 is " + slave_ +
                        ": check that the device exists and that you may use it (group dialout)\n");
}

class HeldPort : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sim_.running()); }
  void TearDown() override { icDevClose(); }
  SimProcess sim_;
  PortMapping com1_{1, sim_.link()};
};

TEST_F(HeldPort, ByAnotherProcessIsBusyAndNothingIsSent) {
  LockingProcess other(sim_.link());
  ASSERT_TRUE(other.locked());
  char clock[32];
  EXPECT_EQ(GetTime(1, 5, clock), 0);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_PORT_BUSY);
  EXPECT_EQ(Reason(), "port 1 (" + sim_.link() + ") is held by another process");
  EXPECT_TRUE(sim_.Frames().empty());
}

TEST_F(HeldPort, ByAnotherBusOfThisProgramIsHeldHere) {
  icbus_session* bus = icbus_session_new();
  ASSERT_NE(bus, nullptr);
  ASSERT_EQ(icbus_session_set_device(bus, sim_.link().c_str()), 1);
  icbus_session_enter(bus);
  ASSERT_EQ(GetFirst(1, 1), 1);  // the download keeps the device
  icbus_session_leave(bus);
  char clock[32];
  EXPECT_EQ(GetTime(1, 1, clock), 0);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_PORT_HELD);
  EXPECT_EQ(Reason(), "port 1 (" + sim_.link() + ") is held by another bus of this program");
  icbus_session_free(bus);  // ends the download with "SZ!"
  EXPECT_TRUE(sim_.WaitForFrame("> S SZ!"));
  EXPECT_EQ(sim_.Frames(), (std::vector<std::string>{"> M SA001!", "< N OK!", "> S SZ!"}));
}

TEST_F(HeldPort, ASilentTerminalOnARealLineIsSilent) {
  char clock[32];
  EXPECT_EQ(GetTime(1, 77, clock), 0);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_SILENT);
  EXPECT_EQ(Reason(),
            "terminal 77 on port 1 (" + sim_.link() + ") did not answer (no reply in 1 s)");
  EXPECT_EQ(GetTime(1, 1, clock), 1);
  EXPECT_EQ(icbus_last_error(), ICBUS_ERR_NONE);
}

}  // namespace
}  // namespace icbus::e2e
