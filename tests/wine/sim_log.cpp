#include "sim_log.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>

#include "library.h"

namespace icbus::wine {
namespace {

// Longer than the simulator takes to log a frame it has received, shorter
// than any gap the library leaves within one transaction's wrap-up.
constexpr DWORD kQuietMillis = 250;
constexpr DWORD kPollMillis = 20;

}  // namespace

SimLog::SimLog(const char* variable) {
  const char* path = std::getenv(variable);
  if (path && *path) path_ = WindowsPath(path);
}

std::vector<std::string> SimLog::Frames() const {
  std::vector<std::string> frames;
  std::ifstream in(path_);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] != '#') frames.push_back(line);
  }
  return frames;
}

std::vector<std::string> SimLog::FramesAfter(std::size_t skip, std::size_t expected,
                                             std::chrono::milliseconds limit) const {
  DWORD start = GetTickCount();
  auto fresh = [&] {
    std::vector<std::string> all = Frames();
    if (all.size() <= skip) return std::vector<std::string>();
    return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(skip), all.end());
  };
  std::vector<std::string> frames = fresh();
  while (frames.size() < expected && GetTickCount() - start < limit.count()) {
    Sleep(kPollMillis);
    frames = fresh();
  }
  Sleep(kQuietMillis);
  return fresh();
}

}  // namespace icbus::wine
