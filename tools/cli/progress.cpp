#include "cli/progress.h"

namespace icbus::tool {

std::string ProgressLine(int done, int total) {
  constexpr int kWidth = 30;
  if (total < 0) return "\r  " + std::to_string(done) + " records";
  int filled = total == 0 || done >= total ? kWidth : done * kWidth / total;
  return "\r[" + std::string(filled, '#') + std::string(kWidth - filled, ' ') + "]  " +
         std::to_string(done) + "/" + std::to_string(total) + " records";
}

}  // namespace icbus::tool
