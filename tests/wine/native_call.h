// Calls an export through a plain pointer with arguments of known C types,
// the way the target's Windows calling convention passes them.
#pragma once
#include <cstdint>

#include "call_args.h"

namespace icbus::wine {

struct CallResult {
  std::uint64_t integer = 0;  // EAX (32-bit) or RAX (x86_64) after the call
  double real = 0;            // the floating-point result, when the export has one
};

// `returns_real`: the export returns a double (on 32-bit it leaves it on the
// x87 stack, which must be popped). On 32-bit the call also records a test
// failure naming `name` when the export leaves the stack pointer off.
CallResult CallExport(const char* name, const void* function, const Args& args, bool returns_real);

}  // namespace icbus::wine
