#include "icbusd_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace icbus::site_test {
namespace {

using std::chrono::milliseconds;

pid_t Spawn(const std::vector<std::string>& args, const std::string& log) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0600);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0600);
  std::string program = ICBUSD_PATH;
  std::vector<std::string> copies = args;
  std::vector<char*> argv{program.data()};
  for (auto& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int Reap(pid_t pid, int limit_ms) {
  auto end = std::chrono::steady_clock::now() + milliseconds(limit_ms);
  int status = 0;
  while (std::chrono::steady_clock::now() < end) {
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (done < 0) return -1;
    std::this_thread::sleep_for(milliseconds(5));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return -1;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

Site::Site() {
  char pattern[] = "/tmp/icbusd-test-XXXXXX";
  if (::mkdtemp(pattern)) dir_ = pattern;
}

Site::~Site() {
  if (pid_ > 0) Kill();
  buses_.clear();
  if (!dir_.empty() && !std::getenv("ICBUSD_TEST_KEEP")) {
    std::string command = "rm -rf '" + dir_ + "'";
    if (std::system(command.c_str()) != 0) {
    }
  }
}

SimBus& Site::AddBus(const std::string& name, const std::string& installation,
                     const std::string& terminals_toml, const std::vector<std::string>& sim_args) {
  buses_.push_back(
      {name, std::make_unique<e2e::SimProcess>(installation, "", sim_args), terminals_toml});
  return buses_.back();
}

void Site::WriteSiteFile(const std::string& extra) {
  std::ofstream file(site_file());
  file << "[store]\npath = \"" << db() << "\"\n[http]\nlisten = \"127.0.0.1:0\"\n" << extra << "\n";
  for (const SimBus& bus : buses_) {
    file << "[[bus]]\nname = \"" << bus.name << "\"\ndevice = \"" << bus.sim->link()
         << "\"\nswipes = false\nfast_replies = true\n"
         << bus.terminals_toml << "\n";
  }
}

int Site::Run(const std::vector<std::string>& args, std::string* output, int limit_ms) {
  std::string log = dir_ + "/run" + std::to_string(++runs_) + ".log";
  pid_t pid = Spawn(args, log);
  if (pid <= 0) return -1;
  int status = Reap(pid, limit_ms);
  if (output) *output = ReadFile(log);
  return status;
}

pid_t Site::Start(const std::vector<std::string>& args) {
  pid_ = Spawn(args, dir_ + "/icbusd" + std::to_string(++runs_) + ".log");
  return pid_;
}

int Site::Stop(int sig) {
  if (pid_ <= 0) return -1;
  ::kill(pid_, sig);
  int status = Reap(pid_, 20000);
  pid_ = -1;
  return status;
}

int Site::Kill() { return Stop(SIGKILL); }

std::string Site::Log() const {
  return ReadFile(dir_ + "/icbusd" + std::to_string(runs_) + ".log");
}

std::unique_ptr<site::Store> Site::OpenStore() const {
  std::string error;
  return site::OpenSqliteStore(db(), &error);
}

std::string ControlPath(const Site& site, const std::string& bus) {
  return site.dir() + "/control-" + bus;
}

bool SayToSim(const std::string& control, const std::string& line) {
  int fd = ::open(control.c_str(), O_WRONLY);
  if (fd < 0) return false;
  std::string text = line + "\n";
  bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  return ok;
}

int ListenPort(const Site& site, int limit_ms) {
  auto end = std::chrono::steady_clock::now() + milliseconds(limit_ms);
  while (std::chrono::steady_clock::now() < end) {
    std::string log = site.Log();
    std::size_t at = log.find("listening on 127.0.0.1:");
    if (at != std::string::npos) return std::atoi(log.c_str() + at + 23);
    std::this_thread::sleep_for(milliseconds(20));
  }
  return -1;
}

}  // namespace icbus::site_test
