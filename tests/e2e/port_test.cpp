// The POSIX serial backend on a real pseudo-terminal: port names, line
// settings for the two modes, exclusive ownership, read time-outs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "icbus.h"
#include "reply_mode.h"
#include "sim_process.h"

namespace icbus::e2e {
namespace {

// An open of the simulator's pty beside the library's, to look at its
// settings and its lock.
class Observer {
 public:
  explicit Observer(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {}
  ~Observer() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return fd_ >= 0; }
  termios Settings() const {
    termios tio{};
    EXPECT_EQ(::tcgetattr(fd_, &tio), 0);
    return tio;
  }
  bool CanLock() const {
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) return false;
    ::flock(fd_, LOCK_UN);
    return true;
  }

 private:
  int fd_;
};

class PortTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sim_.running()); }
  void TearDown() override { icDevClose(); }
  SimProcess sim_;
  PortMapping com1_{1, sim_.link()};
};

TEST_F(PortTest, OpenSetsRawNineteenTwoHundredWithoutParity) {
  ASSERT_EQ(icDevInit("1"), 1);
  Observer observer(sim_.link());
  ASSERT_TRUE(observer.ok());
  termios tio = observer.Settings();
  EXPECT_EQ(cfgetospeed(&tio), B19200);
  EXPECT_EQ(cfgetispeed(&tio), B19200);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (CSTOPB | PARODD | CMSPAR), 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(tio.c_iflag & (ICRNL | IXON | ISTRIP), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
}

// The ninth bit: MARK is PARODD with CMSPAR, SPACE is CMSPAR alone. The pty
// drops PARENB, so only the other two can be checked.
TEST_F(PortTest, ModesSwitchTheStickyParity) {
  ASSERT_EQ(icDevInit("1"), 1);
  Observer observer(sim_.link());
  ASSERT_TRUE(observer.ok());
  ASSERT_EQ(ChangeicDevSettings(0), 1);
  EXPECT_EQ(observer.Settings().c_cflag & (PARODD | CMSPAR),
            static_cast<tcflag_t>(PARODD | CMSPAR));
  ASSERT_EQ(ChangeicDevSettings(1), 1);
  EXPECT_EQ(observer.Settings().c_cflag & (PARODD | CMSPAR), static_cast<tcflag_t>(CMSPAR));
  // Any other mode writes back what it read.
  ASSERT_EQ(ChangeicDevSettings(2), 1);
  EXPECT_EQ(observer.Settings().c_cflag & (PARODD | CMSPAR), static_cast<tcflag_t>(CMSPAR));
  ASSERT_EQ(ChangeicDevSettings(0), 1);
  ASSERT_EQ(ChangeicDevSettings(7), 1);
  EXPECT_EQ(observer.Settings().c_cflag & (PARODD | CMSPAR),
            static_cast<tcflag_t>(PARODD | CMSPAR));
  EXPECT_EQ(observer.Settings().c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
}

TEST_F(PortTest, HeldPortIsLockedAgainstOtherOpens) {
  Observer observer(sim_.link());
  ASSERT_TRUE(observer.ok());
  ASSERT_EQ(icDevInit("1"), 1);
  EXPECT_FALSE(observer.CanLock());
  EXPECT_EQ(icDevClose(), 1);
  EXPECT_TRUE(observer.CanLock());
  EXPECT_EQ(icDevClose(), 0);
}

TEST_F(PortTest, PortLockedByAnotherOwnerCannotBeOpened) {
  int fd = ::open(sim_.link().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(icDevInit("1"), 0);
  char out[32] = "untouched";
  EXPECT_EQ(GetTime(1, 1, out), 0);
  EXPECT_STREQ(out, "untouched");
  ::close(fd);
  EXPECT_EQ(GetTime(1, 1, out), 1);
}

TEST_F(PortTest, MissingOrNonTerminalDevicesDoNotOpen) {
  PortMapping missing(3, sim_.directory() + "/no-such-device");
  EXPECT_EQ(icDevInit("3"), 0);
  EXPECT_EQ(Clear(3, 1), 0);

  std::string plain = sim_.directory() + "/plain-file";
  std::FILE* file = std::fopen(plain.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  PortMapping regular(4, plain);
  EXPECT_EQ(icDevInit("4"), 0);
  std::remove(plain.c_str());
}

TEST_F(PortTest, PortNumbersAboveNineUseTheirOwnVariable) {
  PortMapping com12(12, sim_.link());
  char out[32] = {};
  EXPECT_EQ(GetTime(12, 1, out), 1);
  EXPECT_STREQ(out, "20260101080000");
  EXPECT_EQ(icDevInit("12"), 1);
  EXPECT_EQ(icDevClose(), 1);
}

// The variable is read at every open, so a port can move between calls.
TEST_F(PortTest, PathIsLookedUpAtEveryOpen) {
  SimProcess other(
      R"({"devices": [{"type": "terminal", "machine": 1, "clock": "19990101000000"}]})");
  ASSERT_TRUE(other.running());
  char out[32] = {};
  ASSERT_EQ(GetTime(1, 1, out), 1);
  EXPECT_STREQ(out, "20260101080000");
  PortMapping moved(1, other.link());
  ASSERT_EQ(GetTime(1, 1, out), 1);
  EXPECT_STREQ(out, "19990101000000");
  ASSERT_TRUE(other.WaitForFrame("> S SZ!"));
  EXPECT_EQ(other.Frames().front(), "> M SA001!");
}

// "OK!" answers a 4-byte read: the read ends 200 ms after the last byte, not
// at its 1 s total bound (with fast replies: at the "!"); a complete 5-byte
// "DONE!" ends the next at once.
TEST_F(PortTest, ShortReplyEndsAtTheIntervalTimeout) {
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Clear(1, 1), 1);
  auto took = std::chrono::steady_clock::now() - start;
  if (FastReplies()) {
    EXPECT_LT(took, std::chrono::milliseconds(180));
  } else {
    EXPECT_GE(took, std::chrono::milliseconds(200));
  }
  EXPECT_LT(took, std::chrono::milliseconds(700));
}

}  // namespace
}  // namespace icbus::e2e
