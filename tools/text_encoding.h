// Texts for the terminals' displays and glyph cells are GBK, two bytes to a
// Chinese character; the command line gives them in UTF-8.
#pragma once
#include <optional>
#include <string>

namespace icbus::tool {

// The text in GBK, or nothing when it is not valid UTF-8 or holds a
// character GBK cannot represent.
std::optional<std::string> Utf8ToGbk(const std::string& utf8);

// True when every character of the GBK text takes two bytes (the Chinese
// characters; ASCII takes one).
bool AllDoubleByte(const std::string& gbk);

}  // namespace icbus::tool
