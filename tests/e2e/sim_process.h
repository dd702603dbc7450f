// icbus-sim as a child process on a real pseudo-terminal, published as a
// symlink in a temporary directory, with its wire log read back by tests.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

namespace icbus::e2e {

class SimProcess {
 public:
  // Starts icbus-sim with the default installation, or with `config_json`,
  // and with `extra_args` (such as "--pace") after its own. Its clocks
  // stand still unless `extra_args` holds "--running-clocks". A `stale_link`
  // target is first left at the link path, as a simulator that died without
  // cleaning up would leave it.
  explicit SimProcess(const std::string& config_json = "", const std::string& stale_link = "",
                      const std::vector<std::string>& extra_args = {});
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  bool running() const { return pid_ > 0; }
  const std::string& link() const { return link_; }
  const std::string& directory() const { return dir_; }
  // The simulator's control FIFO, and one command line written to it.
  const std::string& control() const { return control_; }
  bool Control(const std::string& line) const;
  // All that device `number` (from 1) holds now, as the simulator reports it
  // when asked; null when it did not answer.
  nlohmann::json Held(int number) const;

  // The frame lines of the wire log ("> M SA005!", "< N OK!"), notes left out.
  std::vector<std::string> Frames() const;
  // The frame lines with their times (started with "--stamps"): microseconds
  // on the monotonic clock, and the frame line.
  std::vector<std::pair<long long, std::string>> StampedFrames() const;
  // The note lines of the wire log without their "# " ("beep 1").
  std::vector<std::string> Notes() const;
  // Waits until the log holds a frame line equal to `line` after the first
  // `skip` frames; true when it came within `limit`.
  bool WaitForFrame(const std::string& line, std::size_t skip = 0,
                    std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) const;
  // Sends SIGTERM and waits; returns the exit status (-1 if it did not exit).
  int Stop();

 private:
  std::string dir_, link_, log_, control_;
  pid_t pid_ = -1;
};

// Runs icbus-sim with `args` to its end; returns the exit status and what it
// wrote to standard output and error.
int RunSim(const std::vector<std::string>& args, std::string* output);

// Points ICBUS_COM<port> at `path` for the life of the object.
class PortMapping {
 public:
  PortMapping(int port, const std::string& path);
  ~PortMapping();

 private:
  std::string variable_;
};

}  // namespace icbus::e2e
