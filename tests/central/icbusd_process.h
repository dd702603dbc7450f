// icbusd as a child process: started with a site file and the ports its
// buses are mapped to, killed without warning or stopped with SIGTERM, its
// /api/status read over HTTP.
#pragma once

#include <sys/types.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace icbus::test_support {

class IcbusdProcess {
 public:
  // `environment`: NAME=VALUE pairs added to this process's own.
  IcbusdProcess(std::string site_file, std::vector<std::string> environment, std::string log_path);
  ~IcbusdProcess();

  // Starts it (as a service, or with extra arguments such as "--once").
  void Start(const std::vector<std::string>& extra = {});
  void Kill();      // SIGKILL, and reaped
  int Terminate();  // SIGTERM; returns the exit status
  int Wait();       // to its end; returns the exit status
  // GET /api/status; null when the service does not answer (yet).
  nlohmann::json Status();
  // The body of GET `path`; empty when the service does not answer.
  std::string Get(const std::string& path);

 private:
  int Reap();
  int Port();
  std::string site_file_, log_;
  std::vector<std::string> environment_;
  pid_t pid_ = -1;
  int port_ = 0;
  long log_start_ = 0;  // where this run's lines begin in the log
};

}  // namespace icbus::test_support
