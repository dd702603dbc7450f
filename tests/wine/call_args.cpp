#include "call_args.h"

#include <cstring>

namespace icbus::wine {

Arg Real(double value) {
  Arg arg{Arg::Type::kReal, 0};
  static_assert(sizeof value == sizeof arg.bits);
  std::memcpy(&arg.bits, &value, sizeof value);
  return arg;
}

int StdcallBytes(const Args& args) {
  int bytes = 0;
  for (const Arg& arg : args) bytes += arg.type == Arg::Type::kReal ? 8 : 4;
  return bytes;
}

}  // namespace icbus::wine
