// Texts typed into the console are UTF-8 here; the terminals take GBK.
#pragma once
#include <optional>
#include <string>

namespace icbus::demo {

// The text in GBK, or nothing when it holds a character GBK cannot
// represent (or is not valid UTF-8).
std::optional<std::string> GbkFromUtf8(const std::string& utf8);

}  // namespace icbus::demo
