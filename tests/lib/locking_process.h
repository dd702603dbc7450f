// Another process that keeps a serial device open and locked (flock), as a
// second program driving the same bus would, until the object goes away.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace icbus::test_support {

class LockingProcess {
 public:
  explicit LockingProcess(const std::string& path) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      char held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
      if (::write(ready[1], &held, 1) != 1) ::_exit(1);
      ::pause();
      ::_exit(0);
    }
    ::close(ready[1]);
    char held = 'n';
    if (pid_ > 0 && ::read(ready[0], &held, 1) == 1) locked_ = held == 'y';
    ::close(ready[0]);
  }
  ~LockingProcess() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  LockingProcess(const LockingProcess&) = delete;
  LockingProcess& operator=(const LockingProcess&) = delete;

  // True once the other process holds the lock.
  bool locked() const { return locked_; }

 private:
  pid_t pid_ = -1;
  bool locked_ = false;
};

}  // namespace icbus::test_support
