#include "common/wire_text.h"

#include <cstdio>

namespace icbus {

namespace {

void AppendHex(unsigned char c, std::string* text) {
  char hex[5];
  std::snprintf(hex, sizeof hex, "\\x%02X", c);
  *text += hex;
}

// The length of the UTF-8 sequence that starts at `at`, 0 when none does:
// no overlong forms, no surrogates, nothing above U+10FFFF.
std::size_t Utf8SequenceAt(const std::string& text, std::size_t at) {
  auto byte = [&](std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
  };
  unsigned lead = byte(at);
  std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || lead > 0xF4) return 0;
  unsigned low = 0x80, high = 0xBF;  // the second byte's range
  if (lead == 0xE0) low = 0xA0;
  if (lead == 0xED) high = 0x9F;
  if (lead == 0xF0) low = 0x90;
  if (lead == 0xF4) high = 0x8F;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string EscapeWireBytes(const std::string& bytes) {
  std::string text;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7f && c != '\\') {
      text.push_back(static_cast<char>(c));
    } else {
      AppendHex(c, &text);
    }
  }
  return text;
}

bool IsUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
    } else if (std::size_t length = Utf8SequenceAt(text, i)) {
      i += length;
    } else {
      return false;
    }
  }
  return true;
}

std::string PrintableUtf8(const std::string& text) {
  std::string shown;
  for (std::size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7f) {
      shown.push_back(text[i++]);
    } else if (std::size_t length = Utf8SequenceAt(text, i)) {
      shown.append(text, i, length);
      i += length;
    } else {
      AppendHex(c, &shown);
      ++i;
    }
  }
  return shown;
}

std::string WireFrameLine(char direction, char mode, const std::string& bytes) {
  return std::string{direction, ' ', mode, ' '} + EscapeWireBytes(bytes);
}

std::string WireNoteLine(const std::string& text) { return "# " + PrintableUtf8(text); }

}  // namespace icbus
