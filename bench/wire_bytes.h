// The bytes a wire log's frame lines carry, escapes undone.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace icbus::bench {

// Bytes of the frame lines ("> M SA005!", "< N OK!") from `from` on; "\xNN"
// counts one byte.
std::size_t WireBytes(const std::vector<std::string>& frames, std::size_t from);

}  // namespace icbus::bench
