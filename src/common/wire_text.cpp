#include "common/wire_text.h"

#include <cstdio>

namespace icbus {

std::string EscapeWireBytes(const std::string& bytes) {
  std::string text;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7f && c != '\\') {
      text.push_back(static_cast<char>(c));
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      text += hex;
    }
  }
  return text;
}

std::string WireFrameLine(char direction, char mode, const std::string& bytes) {
  return std::string{direction, ' ', mode, ' '} + EscapeWireBytes(bytes);
}

std::string WireNoteLine(const std::string& text) { return "# " + text; }

}  // namespace icbus
