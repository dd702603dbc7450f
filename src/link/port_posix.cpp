// The POSIX serial backend: termios in raw mode, MARK and SPACE parity
// through CMSPAR, and the Windows read time-outs reproduced with poll().
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "link/port.h"

namespace icbus {
namespace {

static_assert(sizeof(termios) <= sizeof(LineSettings::native),
              "the termios block must fit the settings' native area");

using SteadyClock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

// The device control block's code for two stop bits.
constexpr std::uint8_t kTwoStopBits = 2;

// Time a frame may still need after tcdrain() returns: a pty "drains" at
// once, and a UART's FIFO may hold the last bytes a little longer.
constexpr Millis kWireMargin{2};
// A pseudo-terminal carries no ninth bit: the device behind it learns the
// mode of each byte by reading the line settings when the bytes arrive. Give
// it time to do so before the settings change, the port is purged or closed.
constexpr Millis kPseudoTerminalMargin{15};

// Unix98 pseudo-terminal slaves have majors 136 to 143.
bool IsPseudoTerminal(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  unsigned int device_major = major(st.st_rdev);
  return device_major >= 136 && device_major <= 143;
}

// An absolute path (the device of a session of its own) is opened as it is.
// "COM<n>" resolves to $ICBUS_COM<n>, else /dev/ttyS<n-1>. Read at every open
// so a test or a simulator may move the port between calls.
std::optional<std::string> DevicePath(const char* name) {
  if (name && name[0] == '/') return std::string(name);
  if (!name || std::strncmp(name, "COM", 3) != 0) return std::nullopt;
  const char* digits = name + 3;
  if (!*digits || std::strlen(digits) > 4) return std::nullopt;
  for (const char* p = digits; *p; ++p) {
    if (*p < '0' || *p > '9') return std::nullopt;
  }
  int number = std::atoi(digits);
  if (number < 1) return std::nullopt;
  std::string variable = "ICBUS_COM" + std::to_string(number);
  if (const char* path = std::getenv(variable.c_str()); path && *path) return std::string(path);
  return "/dev/ttyS" + std::to_string(number - 1);
}

speed_t SpeedFor(std::uint32_t baud) {
  switch (baud) {
    case 1200:
      return B1200;
    case 2400:
      return B2400;
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    default:
      return B0;
  }
}

std::uint32_t BaudFor(speed_t speed) {
  switch (speed) {
    case B1200:
      return 1200;
    case B2400:
      return 2400;
    case B4800:
      return 4800;
    case B9600:
      return 9600;
    case B19200:
      return 19200;
    case B38400:
      return 38400;
    case B57600:
      return 57600;
    case B115200:
      return 115200;
    default:
      return 0;
  }
}

tcflag_t SizeFlag(std::uint8_t bits) {
  switch (bits) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    default:
      return CS8;
  }
}

std::uint8_t SizeBits(tcflag_t cflag) {
  switch (cflag & CSIZE) {
    case CS5:
      return 5;
    case CS6:
      return 6;
    case CS7:
      return 7;
    default:
      return 8;
  }
}

// A pseudo-terminal drops PARENB but keeps PARODD and CMSPAR, so the sticky
// parity is recognised without insisting on PARENB.
std::uint8_t ParityOf(tcflag_t cflag) {
  if (cflag & CMSPAR) return (cflag & PARODD) ? kMarkParity : kSpaceParity;
  return kNoParity;
}

void ApplyParity(termios* tio, std::uint8_t parity) {
  tio->c_cflag &= ~(PARENB | PARODD | CMSPAR);
  if (parity == kMarkParity) tio->c_cflag |= PARENB | PARODD | CMSPAR;
  if (parity == kSpaceParity) tio->c_cflag |= PARENB | CMSPAR;
}

// Bits a character occupies on the line: start, data, ninth bit, stop.
unsigned BitsPerByte(const termios& tio) {
  unsigned bits = 1 + SizeBits(tio.c_cflag) + ((tio.c_cflag & CSTOPB) ? 2 : 1);
  if (tio.c_cflag & (PARENB | CMSPAR)) ++bits;
  return bits;
}

bool TookEffect(int fd, const termios& wanted) {
  termios now{};
  if (::tcgetattr(fd, &now) != 0) return false;
  const tcflag_t kAllButParenb = ~static_cast<tcflag_t>(PARENB);
  return (now.c_cflag & kAllButParenb) == (wanted.c_cflag & kAllButParenb) &&
         now.c_iflag == wanted.c_iflag && now.c_oflag == wanted.c_oflag &&
         now.c_lflag == wanted.c_lflag;
}

struct OpenPort {
  Timeouts timeouts;
  Millis margin = kWireMargin;
  // Until then the last frame may still be on its way to the device: no
  // parity change, purge or close before it.
  std::chrono::steady_clock::time_point settled{};
};

class PosixPort final : public Port {
 public:
  PortId Open(const char* name) override {
    std::optional<std::string> path = DevicePath(name);
    if (!path) {
      NoteOpenFailure(OpenFailure::kCannotOpen, "not a port name");
      return kInvalidPort;
    }
    int fd = ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      // EBUSY: another program has made the terminal exclusive (TIOCEXCL).
      int error = errno;
      NoteOpenFailure(error == EBUSY ? OpenFailure::kHeldElsewhere : OpenFailure::kCannotOpen,
                      std::strerror(error));
      return kInvalidPort;
    }
    // Exclusive like a Windows COM port: a second open, in this process or
    // another, fails while this one holds the lock.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int error = errno;
      OpenFailure kind = OpenFailure::kCannotOpen;
      if (error == EWOULDBLOCK) {
        kind = HeldHere(fd) ? OpenFailure::kHeldHere : OpenFailure::kHeldElsewhere;
      }
      NoteOpenFailure(kind, std::strerror(error));
      ::close(fd);
      return kInvalidPort;
    }
    if (!::isatty(fd)) {
      NoteOpenFailure(OpenFailure::kCannotOpen, "not a serial port");
      ::close(fd);
      return kInvalidPort;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    OpenPort open_port;
    if (IsPseudoTerminal(fd)) open_port.margin = kPseudoTerminalMargin;
    ports_[fd] = open_port;
    return fd;
  }

  std::string DeviceOf(const char* name) override {
    return DevicePath(name).value_or(name ? name : "");
  }

  bool GetState(PortId port, LineSettings* settings) override {
    if (!Known(port) || !settings) return false;
    termios tio{};
    if (::tcgetattr(Fd(port), &tio) != 0) return false;
    settings->baud_rate = BaudFor(::cfgetospeed(&tio));
    settings->byte_size = SizeBits(tio.c_cflag);
    settings->parity = ParityOf(tio.c_cflag);
    settings->stop_bits = (tio.c_cflag & CSTOPB) ? kTwoStopBits : std::uint8_t{kOneStopBit};
    settings->binary = true;
    std::memcpy(settings->native, &tio, sizeof tio);
    return true;
  }

  // Applied with TCSADRAIN so no byte already written leaves with the new
  // ninth bit.
  bool SetState(PortId port, const LineSettings& settings) override {
    if (!Known(port)) return false;
    Settle(port);
    if (settings.stop_bits != kOneStopBit && settings.stop_bits != kTwoStopBits) return false;
    termios tio{};
    std::memcpy(&tio, settings.native, sizeof tio);
    // A speed this backend cannot name may still be written back unchanged.
    if (settings.baud_rate != BaudFor(::cfgetospeed(&tio))) {
      speed_t speed = SpeedFor(settings.baud_rate);
      if (speed == B0) return false;
      if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) return false;
    }
    // Raw bytes both ways; hardware flow control stays as it was found.
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | CSTOPB);
    tio.c_cflag |= SizeFlag(settings.byte_size) | CREAD | CLOCAL;
    if (settings.stop_bits == kTwoStopBits) tio.c_cflag |= CSTOPB;
    ApplyParity(&tio, settings.parity);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(Fd(port), TCSADRAIN, &tio) == 0) return true;
    // The C library reads the settings back and reports EINVAL when PARENB
    // did not stick, which it never does on a pseudo-terminal: judge by the
    // rest of what was asked for.
    return errno == EINVAL && TookEffect(Fd(port), tio);
  }

  // The tty layer sizes its own queues; there is nothing to set.
  bool SetupQueues(PortId port, std::uint32_t, std::uint32_t) override { return Known(port); }

  bool GetTimeouts(PortId port, Timeouts* timeouts) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = ports_.find(port);
    if (it == ports_.end() || !timeouts) return false;
    *timeouts = it->second.timeouts;
    return true;
  }

  bool SetTimeouts(PortId port, const Timeouts& timeouts) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = ports_.find(port);
    if (it == ports_.end()) return false;
    it->second.timeouts = timeouts;
    return true;
  }

  // Writes are synchronous, so an abort has nothing to cancel; only the
  // clear flags touch the queues.
  bool Purge(PortId port, std::uint32_t flags) override {
    if (!Known(port)) return false;
    Settle(port);
    bool ok = true;
    if (flags & kPurgeRxClear) ok = ::tcflush(Fd(port), TCIFLUSH) == 0 && ok;
    if (flags & kPurgeTxClear) ok = ::tcflush(Fd(port), TCOFLUSH) == 0 && ok;
    return ok;
  }

  bool Write(PortId port, const std::uint8_t* data, std::uint32_t count) override {
    if (!Known(port) || (!data && count > 0)) return false;
    int fd = Fd(port);
    auto start = SteadyClock::now();
    std::uint32_t sent = 0;
    while (sent < count) {
      ssize_t n = ::write(fd, data + sent, count - sent);
      if (n > 0) {
        sent += static_cast<std::uint32_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else if (n < 0 && errno == EAGAIN) {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, -1) < 0 && errno != EINTR) return false;
        if (p.revents & (POLLERR | POLLNVAL)) return false;
      } else {
        return false;
      }
    }
    if (::tcdrain(fd) != 0) return false;
    // A pty reports drained at once; wait out the frame's time on the line,
    // and keep the margin after it for whatever would cut it short (a purge,
    // a parity change, a close), so a read that follows loses no time.
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0 && count > 0) {
      std::uint32_t baud = BaudFor(::cfgetospeed(&tio));
      if (baud == 0) baud = 19200;
      auto wire =
          std::chrono::microseconds(std::uint64_t{count} * BitsPerByte(tio) * 1000000 / baud);
      std::this_thread::sleep_until(start + wire);
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = ports_.find(port);
      if (it != ports_.end()) it->second.settled = start + wire + it->second.margin;
    }
    return true;
  }

  bool Read(PortId port, std::uint8_t* data, std::uint32_t count,
            std::uint32_t* received) override {
    Timeouts timeouts;
    if (!GetTimeouts(port, &timeouts) || (!data && count > 0)) return false;
    std::uint32_t got = 0;
    bool ok = ReadTimed(Fd(port), timeouts, data, count, &got);
    if (received) *received = got;
    return ok;
  }

  bool Close(PortId port) override {
    Settle(port);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (ports_.erase(port) == 0) return false;
    }
    return ::close(Fd(port)) == 0;
  }

 private:
  static int Fd(PortId port) { return static_cast<int>(port); }

  bool Known(PortId port) {
    std::lock_guard<std::mutex> lock(mutex_);
    return ports_.count(port) != 0;
  }

  // True when one of this backend's open ports is the device `fd` is open on.
  bool HeldHere(int fd) {
    struct stat wanted {};
    if (::fstat(fd, &wanted) != 0) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& entry : ports_) {
      struct stat held {};
      if (::fstat(Fd(entry.first), &held) == 0 && held.st_dev == wanted.st_dev &&
          held.st_ino == wanted.st_ino) {
        return true;
      }
    }
    return false;
  }

  void Settle(PortId port) {
    std::chrono::steady_clock::time_point until{};
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = ports_.find(port);
      if (it != ports_.end()) until = it->second.settled;
    }
    std::this_thread::sleep_until(until);
  }

  // COMMTIMEOUTS: the total bound multiplier x n + constant runs from the
  // start (none when both are zero); once a byte has arrived, a gap longer
  // than the interval ends the read. A time-out is not a failure.
  static bool ReadTimed(int fd, const Timeouts& timeouts, std::uint8_t* data, std::uint32_t count,
                        std::uint32_t* got) {
    auto start = SteadyClock::now();
    // Interval "infinite" with no total bound: hand back what is queued.
    bool at_once = timeouts.read_interval == 0xFFFFFFFFu && timeouts.read_multiplier == 0 &&
                   timeouts.read_constant == 0;
    std::uint64_t total_ms =
        std::uint64_t{timeouts.read_multiplier} * count + timeouts.read_constant;
    std::optional<SteadyClock::time_point> total_end;
    if (total_ms > 0) total_end = start + Millis(total_ms);
    std::optional<SteadyClock::time_point> gap_end;
    while (*got < count) {
      auto now = SteadyClock::now();
      std::optional<SteadyClock::time_point> end = total_end;
      if (gap_end && (!end || *gap_end < *end)) end = gap_end;
      int wait = -1;
      if (at_once) {
        wait = 0;
      } else if (end) {
        if (now >= *end) return true;
        auto left = std::chrono::ceil<Millis>(*end - now).count();
        wait = static_cast<int>(left);
      }
      pollfd p{fd, POLLIN, 0};
      int ready = ::poll(&p, 1, wait);
      if (ready < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (ready == 0) {
        if (at_once) return true;
        continue;  // the loop head decides whether time is up
      }
      if (p.revents & POLLNVAL) return false;
      ssize_t n = ::read(fd, data + *got, count - *got);
      if (n > 0) {
        *got += static_cast<std::uint32_t>(n);
        if (timeouts.read_interval > 0)
          gap_end = SteadyClock::now() + Millis(timeouts.read_interval);
      } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        continue;
      } else {
        return false;  // the device went away (hang-up or I/O error)
      }
    }
    return true;
  }

  std::mutex mutex_;
  std::map<PortId, OpenPort> ports_;
};

}  // namespace

Port& SystemPort() {
  static PosixPort port;
  return port;
}

}  // namespace icbus
