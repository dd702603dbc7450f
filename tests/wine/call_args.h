// Arguments for calling an export through a plain pointer, as a host that
// loads the DLL at run time does. Each argument keeps its C type, because
// the two Windows calling conventions place them differently: the 32-bit
// stdcall pushes 4 bytes per int or pointer and 8 per double; the x86_64
// convention passes the first four in integer or floating-point registers
// by position and the rest in 8-byte stack slots.
#pragma once
#include <cstdint>
#include <vector>

namespace icbus::wine {

struct Arg {
  enum class Type { kInteger, kPointer, kReal };
  Type type = Type::kInteger;
  std::uint64_t bits = 0;  // the value as the register or stack slot holds it
};

inline Arg Word(int value) {
  return {Arg::Type::kInteger, static_cast<std::uint64_t>(static_cast<std::int64_t>(value))};
}
inline Arg Word(const void* pointer) {
  return {Arg::Type::kPointer,
          static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(pointer))};
}
Arg Real(double value);

using Args = std::vector<Arg>;

// The bytes the arguments take on the 32-bit stdcall stack, which is also
// the number in the decorated name (GetTime@12).
int StdcallBytes(const Args& args);

}  // namespace icbus::wine
