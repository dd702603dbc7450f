// Calls a stdcall function through a plain pointer and reports how far the
// stack pointer moved across the call. A callee that removes exactly the
// arguments it was given leaves it where it was; one built with a different
// argument size, or as cdecl, leaves it off by the difference in bytes.
// 32-bit x86 only.
#pragma once
#include <cstdint>

namespace icbus::wine {

struct StackCall {
  std::uint32_t result = 0;    // EAX after the call
  double real = 0;             // the x87 result, when asked for
  std::int32_t esp_shift = 0;  // ESP after minus ESP before (0 when balanced)
};

// Pushes `args[count-1]` .. `args[0]` (so args[0] is the first argument),
// calls `function` and puts the stack back whatever the callee did. With
// `returns_real` the double the callee left on the x87 stack is popped into
// `real`; without it nothing may be left there.
StackCall CallStdcall(const void* function, const std::uint32_t* args, int count,
                      bool returns_real = false);

}  // namespace icbus::wine
