// icbusd as a child process against icbus-sim on real pseudo-terminals, with
// its site file and store in a temporary directory.
#pragma once
#include <sys/types.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "sim_process.h"
#include "store/store.h"

namespace icbus::site_test {

// A bus of simulated terminals: its simulator and its [[bus]] section.
struct SimBus {
  std::string name;
  std::unique_ptr<e2e::SimProcess> sim;
  std::string terminals_toml;  // the [[bus.terminal]] tables
};

class Site {
 public:
  Site();
  ~Site();
  const std::string& dir() const { return dir_; }
  std::string db() const { return dir_ + "/site.db"; }
  std::string site_file() const { return dir_ + "/site.toml"; }

  // Starts a simulator for the bus with the installation JSON.
  SimBus& AddBus(const std::string& name, const std::string& installation,
                 const std::string& terminals_toml, const std::vector<std::string>& sim_args = {});
  // Writes the site file: the buses, then `extra` (sections such as [http]).
  void WriteSiteFile(const std::string& extra = "");

  // Runs icbusd with `args` to its end (at most `limit_ms`); returns its exit
  // status, its standard error in `*output`.
  int Run(const std::vector<std::string>& args, std::string* output = nullptr,
          int limit_ms = 60000);
  // Starts icbusd in the background; Stop() sends `sig` and returns the exit
  // status (128 + signal when killed).
  pid_t Start(const std::vector<std::string>& args);
  int Stop(int sig);
  int Kill();  // SIGKILL, no waiting for anything
  pid_t pid() const { return pid_; }
  std::string Log() const;  // what the running icbusd wrote so far

  std::unique_ptr<site::Store> OpenStore() const;
  std::deque<SimBus>& buses() { return buses_; }

 private:
  std::string dir_;
  std::deque<SimBus> buses_;  // stays put as buses are added
  pid_t pid_ = -1;
  int runs_ = 0;
};

// The path of the control FIFO to give a simulator ("--control").
std::string ControlPath(const Site& site, const std::string& bus);
// Writes one line to a simulator's control FIFO.
bool SayToSim(const std::string& control, const std::string& line);

// Picks the port icbusd reports: "listening on 127.0.0.1:PORT" in its log.
int ListenPort(const Site& site, int limit_ms = 10000);

}  // namespace icbus::site_test
