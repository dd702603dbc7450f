#include "icbusd_process.h"

#include <fcntl.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace icbus::test_support {

IcbusdProcess::IcbusdProcess(std::string site_file, std::vector<std::string> environment,
                             std::string log_path)
    : site_file_(std::move(site_file)),
      log_(std::move(log_path)),
      environment_(std::move(environment)) {}

IcbusdProcess::~IcbusdProcess() {
  if (pid_ > 0) Kill();
}

void IcbusdProcess::Start(const std::vector<std::string>& extra) {
  {
    std::ifstream existing(log_, std::ios::ate);
    log_start_ = existing ? static_cast<long>(existing.tellg()) : 0;
  }
  port_ = 0;
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    const int out = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    ::dup2(out, 1);
    ::dup2(out, 2);
    for (const std::string& pair : environment_) ::putenv(const_cast<char*>(pair.c_str()));
    std::vector<std::string> args = {ICBUS_ICBUSD_PATH, "--config", site_file_};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
}

int IcbusdProcess::Reap() {
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void IcbusdProcess::Kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  Reap();
}

int IcbusdProcess::Terminate() {
  if (pid_ <= 0) return -1;
  ::kill(pid_, SIGTERM);
  return Reap();
}

int IcbusdProcess::Wait() { return pid_ > 0 ? Reap() : -1; }

// The port it chose, from this run's "listening on HOST:PORT" line.
int IcbusdProcess::Port() {
  if (port_ > 0) return port_;
  std::ifstream log(log_);
  log.seekg(log_start_);
  std::string line;
  const std::string marker = "listening on 127.0.0.1:";
  while (std::getline(log, line)) {
    const size_t at = line.find(marker);
    if (at != std::string::npos) port_ = std::atoi(line.c_str() + at + marker.size());
  }
  return port_;
}

std::string IcbusdProcess::Get(const std::string& path) {
  const int port = Port();
  if (port <= 0) return "";
  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(1);
  client.set_read_timeout(5);
  auto response = client.Get(path.c_str());
  return response && response->status == 200 ? response->body : "";
}

nlohmann::json IcbusdProcess::Status() {
  const std::string body = Get("/api/status");
  if (body.empty()) return nullptr;
  return nlohmann::json::parse(body, nullptr, false);
}

}  // namespace icbus::test_support
