// libFuzzer's entry point: one input is one host session against the
// hostile device (see harness.h).
#include <cstddef>
#include <cstdint>

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  icbus::fuzz::RunInput(data, size);
  return 0;
}
