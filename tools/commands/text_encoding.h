// Texts for the terminals' displays and glyph cells are GBK, two bytes to a
// Chinese character; the command line gives them in UTF-8.
#pragma once
#include <string>

#include "common/gbk.h"

namespace icbus::tool {

// Utf8ToGbk (common/gbk.h) converts the texts.

// True when every character of the GBK text takes two bytes (the Chinese
// characters; ASCII takes one).
bool AllDoubleByte(const std::string& gbk);

}  // namespace icbus::tool
