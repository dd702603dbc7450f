#include "pty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace icbus::sim {
namespace {

std::string Failed(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

bool MakeRaw(int fd) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return false;
  ::cfmakeraw(&tio);
  tio.c_cflag |= CREAD | CLOCAL;
  ::cfsetispeed(&tio, B19200);
  ::cfsetospeed(&tio, B19200);
  return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace

std::unique_ptr<PtyLine> PtyLine::Open(std::string* error) {
  // A session of our own, so the pty can become our controlling terminal.
  if (::setsid() < 0) {
    *error = Failed("setsid");
    return nullptr;
  }
  int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) {
    *error = Failed("posix_openpt");
    return nullptr;
  }
  char name[128] = {};
  if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
      ::ptsname_r(master, name, sizeof name) != 0) {
    *error = Failed("pty setup");
    ::close(master);
    return nullptr;
  }
  int slave = ::open(name, O_RDWR | O_CLOEXEC);
  if (slave < 0) {
    *error = Failed("open pty slave");
    ::close(master);
    return nullptr;
  }
  if (::ioctl(slave, TIOCSCTTY, 0) != 0 || !MakeRaw(slave)) {
    *error = Failed("pty as controlling terminal");
    ::close(slave);
    ::close(master);
    return nullptr;
  }
  int flags = ::fcntl(master, F_GETFL);
  ::fcntl(master, F_SETFL, flags | O_NONBLOCK);
  return std::unique_ptr<PtyLine>(new PtyLine(master, slave, name));
}

PtyLine::~PtyLine() {
  ::close(slave_);
  ::close(master_);
}

Mode PtyLine::CurrentMode() const {
  termios tio{};
  if (::tcgetattr(master_, &tio) != 0) return Mode::kNone;
  if (tio.c_cflag & PARODD) return Mode::kAddress;
  if (tio.c_cflag & CMSPAR) return Mode::kData;
  return Mode::kNone;
}

bool PtyLine::ReadAvailable(std::string* bytes) {
  bytes->clear();
  char chunk[256];
  for (;;) {
    ssize_t n = ::read(master_, chunk, sizeof chunk);
    if (n > 0) {
      bytes->append(chunk, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return true;
    // EIO: no slave open; cannot happen while we hold one, so it is fatal.
    return false;
  }
}

bool PtyLine::Write(const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = ::write(master_, bytes.data() + sent, bytes.size() - sent);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN) {
      pollfd p{master_, POLLOUT, 0};
      if (::poll(&p, 1, 1000) <= 0) return false;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace icbus::sim
