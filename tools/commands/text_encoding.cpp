#include "commands/text_encoding.h"

#include "common/wire_text.h"

namespace icbus::tool {

namespace {

// The code point of the well-formed UTF-8 sequence at `at`, and its length.
char32_t CodePointAt(const std::string& text, std::size_t at, std::size_t* length) {
  unsigned char lead = static_cast<unsigned char>(text[at]);
  *length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  char32_t code = *length == 1 ? lead : lead & (0x3F >> (*length - 1));
  for (std::size_t i = 1; i < *length && at + i < text.size(); ++i) {
    code = (code << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
  }
  return code;
}

bool IsIdeograph(char32_t code) {
  return (code >= 0x3400 && code <= 0x4DBF) ||  // extension A
         (code >= 0x4E00 && code <= 0x9FFF) ||  // the unified ideographs
         (code >= 0xF900 && code <= 0xFAFF);    // compatibility ideographs
}

}  // namespace

bool AllChineseCharacters(const std::string& utf8) {
  for (std::size_t i = 0, length = 0; i < utf8.size(); i += length) {
    if (!IsIdeograph(CodePointAt(utf8, i, &length))) return false;
  }
  return true;
}

std::optional<std::string> FirstControlCharacter(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F)
      return EscapeWireBytes(text.substr(i, 1)) + " at byte " + std::to_string(i + 1);
  }
  return std::nullopt;
}

}  // namespace icbus::tool
