// The exports the DLL must carry: plain name, fixed ordinal, and the bytes
// of arguments the callee removes from the stack (4 per int or pointer).
#pragma once

namespace icbus::wine {

struct ExportRow {
  const char* name;
  int ordinal;
  int argument_bytes;
};

// clang-format off
inline constexpr ExportRow kExports[] = {
    {"SetDecLen",           1,  4},
    {"icDevInit",           2,  4},
    {"icDevClose",          3,  0},
    {"ChangeicDevSettings", 4,  4},
    {"GetTime",             5, 12},
    {"GetTimeA",            6, 16},
    {"SetTime",             7,  8},
    {"SetTimeA",            8, 12},
    {"Clear",               9,  8},
    {"ClearA",             10, 12},
};
// clang-format on

}  // namespace icbus::wine
