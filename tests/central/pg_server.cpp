#include "pg_server.h"

#include <glob.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace icbus::test_support {
namespace {

constexpr const char* kPort = "5432";  // the socket's name; the directory is ours alone

bool RunningAsRoot() { return ::geteuid() == 0; }

// ICBUS_PG_BINDIR, else the newest /usr/lib/postgresql/N/bin with initdb.
std::string BinDir() {
  if (const char* dir = std::getenv("ICBUS_PG_BINDIR"); dir && *dir) return dir;
  glob_t found{};
  std::vector<std::string> dirs;
  if (::glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &found) == 0) {
    for (size_t i = 0; i < found.gl_pathc; ++i) {
      std::string path = found.gl_pathv[i];
      dirs.push_back(path.substr(0, path.size() - std::string("/initdb").size()));
    }
  }
  ::globfree(&found);
  std::sort(dirs.begin(), dirs.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  return dirs.empty() ? "" : dirs.back();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs argv (as postgres when root), output to `log`; returns the status.
int Run(std::vector<std::string> argv, const std::string& log) {
  if (RunningAsRoot()) argv.insert(argv.begin(), {"runuser", "-u", "postgres", "--"});
  pid_t pid = ::fork();
  if (pid == 0) {
    FILE* out = std::fopen(log.c_str(), "a");
    if (out) {
      ::dup2(fileno(out), 1);
      ::dup2(fileno(out), 2);
    }
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Require(int status, const std::string& what, const std::string& log) {
  if (status != 0) throw std::runtime_error(what + " failed:\n" + ReadFile(log));
}

}  // namespace

std::string PgServer::MissingReason() {
  const std::string bin = BinDir();
  if (bin.empty() || ::access((bin + "/pg_ctl").c_str(), X_OK) != 0) {
    return "no PostgreSQL server binaries (initdb, pg_ctl; Debian package postgresql, the "
           "central install tier)";
  }
  if (RunningAsRoot() && !::getpwnam("postgres")) {
    return "running as root and there is no user postgres to run the server as";
  }
  if (::access("/usr/bin/psql", X_OK) != 0 && ::access((bin + "/psql").c_str(), X_OK) != 0) {
    return "no psql";
  }
  return "";
}

PgServer::PgServer(bool durable) {
  char pattern[] = "/tmp/icbus-pg-XXXXXX";
  if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  dir_ = pattern;
  data_ = dir_ + "/data";
  socket_dir_ = dir_ + "/socket";
  log_ = dir_ + "/server.log";
  ::mkdir(socket_dir_.c_str(), 0700);
  if (RunningAsRoot()) {
    const passwd* pg = ::getpwnam("postgres");
    if (!pg) throw std::runtime_error(MissingReason());
    ::chmod(dir_.c_str(), 0755);
    if (::chown(dir_.c_str(), pg->pw_uid, pg->pw_gid) != 0 ||
        ::chown(socket_dir_.c_str(), pg->pw_uid, pg->pw_gid) != 0) {
      throw std::runtime_error("cannot hand " + dir_ + " to the user postgres");
    }
  }
  // No fsync: the tests kill processes, never the machine, and what a
  // killed server wrote is in the kernel's cache all the same.
  Require(Run({BinDir() + "/initdb", "-D", data_, "-A", "trust", "-U", "postgres", "-N",
               "--no-instructions"},
              dir_ + "/initdb.log"),
          "initdb", dir_ + "/initdb.log");
  std::ofstream(data_ + "/postgresql.conf", std::ios::app)
      << "listen_addresses = ''\nunix_socket_directories = '" << socket_dir_
      << "'\nport = " << kPort << "\nfsync = " << (durable ? "on" : "off")
      << "\nmax_connections = 40\n";
  // Members of icbus_password log in with a password (from PGPASSFILE, as a
  // site would); everyone else is trusted on this private socket.
  std::ofstream(data_ + "/pg_hba.conf")
      << "local all +icbus_password scram-sha-256\nlocal all all trust\n";
  Start();
}

PgServer::~PgServer() {
  if (running_) Stop(true);
  if (!dir_.empty() && !std::getenv("ICBUS_KEEP_PG")) {
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }
}

void PgServer::Start() {
  Require(Run({BinDir() + "/pg_ctl", "-D", data_, "-l", log_, "-w", "-t", "30", "start"},
              dir_ + "/pg_ctl.log"),
          "pg_ctl start", log_);
  running_ = true;
}

void PgServer::Stop(bool immediate) {
  Require(Run({BinDir() + "/pg_ctl", "-D", data_, "-w", "-t", "30", "-m",
               immediate ? "immediate" : "fast", "stop"},
              dir_ + "/pg_ctl.log"),
          "pg_ctl stop", dir_ + "/pg_ctl.log");
  running_ = false;
}

std::string PgServer::Conninfo(const std::string& user, const std::string& database) const {
  return "host=" + socket_dir_ + " port=" + kPort + " user=" + user + " dbname=" + database;
}

std::string PgServer::Psql(const std::string& sql, const std::string& database) const {
  const std::string out = dir_ + "/psql.out";
  std::remove(out.c_str());
  const std::string bin = BinDir();
  const std::string psql = ::access((bin + "/psql").c_str(), X_OK) == 0 ? bin + "/psql" : "psql";
  const int status = Run({psql, "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-d",
                          Conninfo("postgres", database), "-c", sql},
                         out);
  std::string text = ReadFile(out);
  if (status != 0) throw std::runtime_error("psql failed: " + text);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace icbus::test_support
