#include "pty_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace icbus::tool {

PtyTerminal::PtyTerminal(Script script) : script_(std::move(script)) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) return;
  const char* name = nullptr;
  if (::grantpt(master_) == 0 && ::unlockpt(master_) == 0) name = ::ptsname(master_);
  if (name) slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios tio{};
  if (slave_ < 0 || ::tcgetattr(slave_, &tio) != 0) {
    ::close(master_);
    master_ = -1;
    return;
  }
  // No echo, no line editing, until the library sets the line up itself.
  ::cfmakeraw(&tio);
  ::tcsetattr(slave_, TCSANOW, &tio);
  path_ = name;
  thread_ = std::thread(&PtyTerminal::Serve, this);
}

PtyTerminal::~PtyTerminal() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
}

std::vector<std::string> PtyTerminal::FramesUntil(const std::string& last,
                                                  std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  heard_.wait_for(lock, timeout,
                  [&] { return std::find(frames_.begin(), frames_.end(), last) != frames_.end(); });
  return frames_;
}

void PtyTerminal::Serve() {
  std::string pending;
  while (!stop_) {
    pollfd fd{master_, POLLIN, 0};
    if (::poll(&fd, 1, 20) <= 0 || !(fd.revents & POLLIN)) continue;
    char buffer[64];
    ssize_t count = ::read(master_, buffer, sizeof buffer);
    if (count <= 0) continue;
    pending.append(buffer, static_cast<size_t>(count));
    for (size_t bang; (bang = pending.find('!')) != std::string::npos;) {
      Hear(pending.substr(0, bang + 1));
      pending.erase(0, bang + 1);
    }
  }
}

void PtyTerminal::Hear(const std::string& frame) {
  auto matches = [&](const std::pair<std::string, std::string>& entry) {
    return frame.rfind(entry.first, 0) == 0;
  };
  auto entry = std::find_if(script_.begin(), script_.end(), matches);
  if (entry != script_.end()) {
    // A short or failed write shows up as a wrong reply in the test.
    ssize_t written = ::write(master_, entry->second.data(), entry->second.size());
    (void)written;
    const std::string prefix = entry->first;
    auto same = [&](const std::pair<std::string, std::string>& e) { return e.first == prefix; };
    if (std::find_if(entry + 1, script_.end(), same) != script_.end()) script_.erase(entry);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  frames_.push_back(frame);
  heard_.notify_all();
}

}  // namespace icbus::tool
