#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "host/port_holder.h"

namespace icbus::tool {

namespace {

// The first absolute path in the sentence: the device it names.
std::string DeviceIn(const std::string& reason) {
  std::size_t at = reason.find('/');
  if (at == std::string::npos) return "";
  std::size_t end = reason.find_first_of(" :)", at);
  return reason.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// The process holding the lock on `device` (the library's flock), from
// /proc/locks: "1: FLOCK  ADVISORY  WRITE 812 00:19:5 0 EOF".
bool FindHolder(const std::string& device, long* pid, std::string* name) {
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0) return false;
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    char kind[16] = {};
    long holder = 0;
    unsigned major_id = 0, minor_id = 0;
    unsigned long inode = 0;
    if (std::sscanf(line.c_str(), "%*d: %15s %*s %*s %ld %x:%x:%lu", kind, &holder, &major_id,
                    &minor_id, &inode) != 5 ||
        std::string(kind) != "FLOCK" || inode != st.st_ino || major_id != major(st.st_dev) ||
        minor_id != minor(st.st_dev) || holder == ::getpid()) {
      continue;
    }
    *pid = holder;
    std::ifstream("/proc/" + std::to_string(holder) + "/comm") >> *name;
    return !name->empty();
  }
  return false;
}

}  // namespace

std::string HolderAdvice(const std::string& reason) {
  std::string device = DeviceIn(reason);
  char real[PATH_MAX] = {};
  if (device.empty() || !::realpath(device.c_str(), real)) return "";
  long pid = 0;
  std::string name;
  if (!FindHolder(real, &pid, &name)) return "";
  std::string who = name + " (pid " + std::to_string(pid) + ")";
  if (name == "icbusd") {
    return " \u2014 " + who +
           " holds it: let it collect (POST /api/collect, or icbus records export --db its "
           "store) or stop it (systemctl stop icbusd)";
  }
  return " \u2014 " + who + " holds it";
}

}  // namespace icbus::tool
