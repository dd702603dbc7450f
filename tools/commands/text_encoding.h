// Texts for the terminals' displays and glyph cells are GBK, two bytes to a
// Chinese character; the command line gives them in UTF-8. What the checks
// of such texts need beyond the conversion.
#pragma once
#include <optional>
#include <string>

#include "common/gbk.h"

namespace icbus::tool {

// Utf8ToGbk (common/gbk.h) converts the texts.

// True when the UTF-8 text holds Chinese characters (CJK ideographs) only;
// a name of Latin letters that GBK happens to hold as two bytes is not one.
bool AllChineseCharacters(const std::string& utf8);

// The first byte of `text` that is a control character (below 0x20, or
// 0x7F), as "\xNN at byte N" (counted from 1); nothing when there is none.
std::optional<std::string> FirstControlCharacter(const std::string& text);

}  // namespace icbus::tool
