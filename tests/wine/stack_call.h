// Calls a stdcall function through a plain pointer and reports how far the
// stack pointer moved across the call. A callee that removes exactly the
// arguments it was given leaves it where it was; one built with a different
// argument size, or as cdecl, leaves it off by the difference in bytes.
#pragma once
#include <cstdint>

namespace icbus::wine {

struct StackCall {
  std::uint32_t result = 0;    // EAX after the call
  std::int32_t esp_shift = 0;  // ESP after minus ESP before (0 when balanced)
};

// Pushes `args[count-1]` .. `args[0]` (so args[0] is the first argument),
// calls `function` and puts the stack back whatever the callee did.
StackCall CallStdcall(const void* function, const std::uint32_t* args, int count);

}  // namespace icbus::wine
