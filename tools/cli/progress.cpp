#include "cli/progress.h"

#include <cstdio>

namespace icbus::tool {

namespace {

// ", 8.0/s, 5 s left", padded so a shorter line covers a longer one.
std::string Pace(int done, int total, double elapsed_seconds) {
  if (elapsed_seconds <= 0 || done <= 0) return "";
  const double rate = done / elapsed_seconds;
  char text[64];
  std::snprintf(text, sizeof text, ", %.1f/s", rate);
  std::string pace = text;
  if (total > done) {
    std::snprintf(text, sizeof text, ", %.0f s left", (total - done) / rate);
    pace += text;
  }
  return pace + "   ";
}

}  // namespace

std::string ProgressLine(int done, int total, double elapsed_seconds) {
  constexpr int kWidth = 30;
  const std::string pace = Pace(done, total, elapsed_seconds);
  if (total < 0) return "\r  " + std::to_string(done) + " records" + pace;
  int filled = total == 0 || done >= total ? kWidth : done * kWidth / total;
  return "\r[" + std::string(filled, '#') + std::string(kWidth - filled, ' ') + "]  " +
         std::to_string(done) + "/" + std::to_string(total) + " records" + pace;
}

}  // namespace icbus::tool
