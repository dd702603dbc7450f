// The wire log icbus-sim writes while the tests run: one line per frame,
// "> M SA005!" (host to devices, with its parity mode) or "< N OK!".
#pragma once
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace icbus::wine {

class SimLog {
 public:
  // The log named by the environment variable `variable` (the line behind
  // COM1 by default); empty path when it is not set.
  explicit SimLog(const char* variable = "ICBUS_SIM_LOG");

  const std::string& path() const { return path_; }
  // The frame lines so far; notes ("# ...") left out.
  std::vector<std::string> Frames() const;
  // The frame lines after the first `skip`, read once `expected` of them
  // have arrived (or `limit` has passed) and the line has stayed quiet for a
  // while, so that a frame too many shows up as well.
  std::vector<std::string> FramesAfter(
      std::size_t skip, std::size_t expected,
      std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) const;

 private:
  std::string path_;
};

}  // namespace icbus::wine
