#include "wire_bytes.h"

namespace icbus::bench {

std::size_t WireBytes(const std::vector<std::string>& frames, std::size_t from) {
  constexpr std::size_t kHead = 4;  // "> M "
  std::size_t bytes = 0;
  for (std::size_t i = from; i < frames.size(); ++i) {
    const std::string& line = frames[i];
    for (std::size_t k = kHead; k < line.size(); ++k) {
      if (line[k] == '\\' && k + 3 < line.size() && line[k + 1] == 'x') k += 3;
      ++bytes;
    }
  }
  return bytes;
}

}  // namespace icbus::bench
