#include "sim_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace icbus::e2e {
namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

pid_t Spawn(const std::vector<std::string>& args, posix_spawn_file_actions_t* actions) {
  std::vector<char*> argv;
  std::string program = ICBUS_SIM_PATH;
  argv.push_back(program.data());
  std::vector<std::string> copies = args;
  for (auto& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), actions, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

int Reap(pid_t pid, milliseconds limit) {
  auto end = SteadyClock::now() + limit;
  int status = 0;
  while (SteadyClock::now() < end) {
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (done < 0) return -1;
    std::this_thread::sleep_for(milliseconds(5));
  }
  return -1;
}

}  // namespace

SimProcess::SimProcess(const std::string& config_json, const std::string& stale_link,
                       const std::vector<std::string>& extra_args) {
  char pattern[] = "/tmp/icbus-e2e-XXXXXX";
  if (!::mkdtemp(pattern)) return;
  dir_ = pattern;
  link_ = dir_ + "/com";
  log_ = dir_ + "/wire.log";
  control_ = dir_ + "/control";
  std::vector<std::string> args = {"--link", link_, "--log", log_, "--control", control_};
  // Clocks that run are the default; these tests compare the answers.
  if (std::find(extra_args.begin(), extra_args.end(), "--running-clocks") == extra_args.end()) {
    args.push_back("--fixed-clocks");
  }
  if (!config_json.empty()) {
    std::string config = dir_ + "/installation.json";
    std::ofstream(config) << config_json;
    args.push_back("--config");
    args.push_back(config);
  }
  for (const std::string& arg : extra_args) {
    if (arg != "--running-clocks") args.push_back(arg);
  }
  if (!stale_link.empty() && ::symlink(stale_link.c_str(), link_.c_str()) != 0) return;
  pid_ = Spawn(args, nullptr);
  if (pid_ <= 0) return;
  // Ready once the link leads to the pty.
  auto end = SteadyClock::now() + milliseconds(5000);
  struct stat st {};
  while (::stat(link_.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    if (SteadyClock::now() > end) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(milliseconds(2));
  }
}

SimProcess::~SimProcess() {
  Stop();
  if (!dir_.empty()) {
    ::unlink(log_.c_str());
    ::unlink(link_.c_str());
    ::unlink((dir_ + "/installation.json").c_str());
    ::rmdir(dir_.c_str());
  }
}

std::vector<std::string> SimProcess::Frames() const {
  std::vector<std::string> frames;
  std::ifstream in(log_);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] != '#') frames.push_back(line);
  }
  return frames;
}

std::vector<std::pair<long long, std::string>> SimProcess::StampedFrames() const {
  std::vector<std::pair<long long, std::string>> frames;
  std::ifstream in(log_);
  long long at = -1;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("# at ", 0) == 0) {
      at = std::stoll(line.substr(5));
    } else if (!line.empty() && line[0] != '#') {
      frames.emplace_back(at, line);
    }
  }
  return frames;
}

std::vector<std::string> SimProcess::Notes() const {
  std::vector<std::string> notes;
  std::ifstream in(log_);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("# ", 0) == 0) notes.push_back(line.substr(2));
  }
  return notes;
}

bool SimProcess::WaitForFrame(const std::string& line, std::size_t skip, milliseconds limit) const {
  auto end = SteadyClock::now() + limit;
  for (;;) {
    std::vector<std::string> frames = Frames();
    for (std::size_t i = skip; i < frames.size(); ++i) {
      if (frames[i] == line) return true;
    }
    if (SteadyClock::now() > end) return false;
    std::this_thread::sleep_for(milliseconds(5));
  }
}

bool SimProcess::Control(const std::string& line) const {
  int fd = ::open(control_.c_str(), O_WRONLY | O_NONBLOCK);
  if (fd < 0) return false;
  std::string text = line + "\n";
  bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  return written;
}

nlohmann::json SimProcess::Held(int number) const {
  const std::string report = "device " + std::to_string(number) + " now: ";
  auto reports = [&] {
    std::vector<std::string> found;
    for (const std::string& note : Notes()) {
      if (note.rfind(report, 0) == 0) found.push_back(note.substr(report.size()));
    }
    return found;
  };
  std::size_t before = reports().size();
  if (!Control("state " + std::to_string(number))) return nullptr;
  auto end = SteadyClock::now() + milliseconds(2000);
  for (;;) {
    std::vector<std::string> found = reports();
    if (found.size() > before) return nlohmann::json::parse(found.back(), nullptr, false);
    if (SteadyClock::now() > end) return nullptr;
    std::this_thread::sleep_for(milliseconds(5));
  }
}

int SimProcess::Stop() {
  if (pid_ <= 0) return -1;
  ::kill(pid_, SIGTERM);
  int status = Reap(pid_, milliseconds(3000));
  if (status < 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
  return status;
}

int RunSim(const std::vector<std::string>& args, std::string* output) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 2);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  pid_t pid = Spawn(args, &actions);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_fds[1]);
  std::ostringstream text;
  char chunk[512];
  ssize_t n;
  while ((n = ::read(pipe_fds[0], chunk, sizeof chunk)) > 0) text.write(chunk, n);
  ::close(pipe_fds[0]);
  if (output) *output = text.str();
  return pid > 0 ? Reap(pid, milliseconds(5000)) : -1;
}

PortMapping::PortMapping(int port, const std::string& path)
    : variable_("ICBUS_COM" + std::to_string(port)) {
  ::setenv(variable_.c_str(), path.c_str(), 1);
}

PortMapping::~PortMapping() { ::unsetenv(variable_.c_str()); }

}  // namespace icbus::e2e
