#include "control_fifo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace icbus::sim {
namespace {

constexpr std::size_t kLongestLine = 65536;

// A FIFO with a reader accepts a writer that will not wait; one without
// refuses it with ENXIO.
bool SomeoneReads(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace

std::unique_ptr<ControlFifo> ControlFifo::Create(const std::string& path, std::string* error) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (!S_ISFIFO(st.st_mode)) {
      *error = "cannot use " + path + " as the control: it exists and is not a FIFO";
      return nullptr;
    }
    if (SomeoneReads(path)) {
      *error = "cannot use " + path + " as the control: a running simulator reads it";
      return nullptr;
    }
    ::unlink(path.c_str());
  }
  if (::mkfifo(path.c_str(), 0600) != 0) {
    *error = "cannot make the control " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  // Held open for writing too, so the pipe never reads as ended between
  // two writers.
  int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    *error = "cannot open the control " + path + ": " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    ::unlink(path.c_str());
    return nullptr;
  }
  return std::unique_ptr<ControlFifo>(new ControlFifo(path, fd, st.st_dev, st.st_ino));
}

ControlFifo::~ControlFifo() {
  ::close(fd_);
  struct stat st {};
  if (::lstat(path_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_) {
    ::unlink(path_.c_str());
  }
}

std::vector<std::string> ControlFifo::TakeLines() {
  char chunk[4096];
  ssize_t n;
  while ((n = ::read(fd_, chunk, sizeof chunk)) > 0) {
    pending_.append(chunk, static_cast<std::size_t>(n));
  }
  std::vector<std::string> lines;
  std::size_t end;
  while ((end = pending_.find('\n')) != std::string::npos) {
    std::string line = pending_.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    pending_.erase(0, end + 1);
  }
  // A writer that never ends its line must not fill the memory.
  if (pending_.size() > kLongestLine) {
    lines.push_back(pending_);
    pending_.clear();
  }
  return lines;
}

}  // namespace icbus::sim
