#include "card_writer.h"

#include <cctype>

namespace icbus::sim {

std::optional<Reply> CardWriter::Answer(const Frame& frame) {
  const std::string& bytes = frame.bytes;
  if (frame.mode != Mode::kNone || bytes.size() < 3 || bytes.back() != '!') return std::nullopt;
  if (bytes.rfind("SG", 0) == 0) {
    std::string key = bytes.substr(2, bytes.size() - 3);
    bool hex = key.size() == 12;
    for (char c : key) hex = hex && std::isxdigit(static_cast<unsigned char>(c));
    if (!hex) return Reply{"ERR!", 0};
    state_.key = key;
    return Reply{"DONE!", 0};
  }
  return std::nullopt;
}

}  // namespace icbus::sim
