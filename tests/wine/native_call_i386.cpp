// 32-bit: every argument goes on the stack, and a stdcall callee removes
// them; the stack pointer is checked around every call.
#include <gtest/gtest.h>

#include <vector>

#include "native_call.h"
#include "stack_call.h"

namespace icbus::wine {

CallResult CallExport(const char* name, const void* function, const Args& args, bool returns_real) {
  std::vector<std::uint32_t> words;
  for (const Arg& arg : args) {
    words.push_back(static_cast<std::uint32_t>(arg.bits));
    if (arg.type == Arg::Type::kReal) words.push_back(static_cast<std::uint32_t>(arg.bits >> 32));
  }
  StackCall call =
      CallStdcall(function, words.data(), static_cast<int>(words.size()), returns_real);
  EXPECT_EQ(call.esp_shift, 0) << name << " called with " << StdcallBytes(args)
                               << " argument bytes left the stack off by " << call.esp_shift;
  return {call.result, call.real};
}

}  // namespace icbus::wine
