// The terminals, the top-up machines and their displays take GBK, two bytes
// to a Chinese character; the console and the command line are typed in
// UTF-8.
#pragma once
#include <optional>
#include <string>

namespace icbus {

// The text in GBK, or nothing when it is not valid UTF-8 or holds a
// character GBK cannot represent.
std::optional<std::string> Utf8ToGbk(const std::string& utf8);

}  // namespace icbus
