// The simulator's control: a named pipe (FIFO) that takes the commands of
// control.h, one a line, from anyone allowed to write it:
//   echo 'card place 1' > /tmp/sim.control
// A line written before a host sends a frame is carried out before that
// frame is heard.
#pragma once
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace icbus::sim {

class ControlFifo {
 public:
  // Makes the FIFO at `path` (mode 0600). A FIFO left there by a simulator
  // that is gone is replaced; one that a running simulator reads, or a file
  // of another kind, is refused with the reason in `*error`.
  static std::unique_ptr<ControlFifo> Create(const std::string& path, std::string* error);
  // Removes the FIFO, unless another one has taken its place.
  ~ControlFifo();
  ControlFifo(const ControlFifo&) = delete;
  ControlFifo& operator=(const ControlFifo&) = delete;

  int fd() const { return fd_; }
  // The complete lines written since the last call, without their line ends.
  std::vector<std::string> TakeLines();

 private:
  ControlFifo(std::string path, int fd, dev_t device, ino_t inode)
      : path_(std::move(path)), fd_(fd), device_(device), inode_(inode) {}
  std::string path_;
  int fd_;
  dev_t device_;
  ino_t inode_;
  std::string pending_;  // a line not yet ended
};

}  // namespace icbus::sim
