// The exports the DLL must carry: plain name, fixed ordinal, and the bytes
// of arguments a 32-bit stdcall callee removes from the stack (4 per int or
// pointer, 8 per double). Ordinals missing from the table are reserved for
// entry points the library does not have.
#pragma once

namespace icbus::wine {

struct ExportRow {
  const char* name;
  int ordinal;
  int argument_bytes;
};

// clang-format off
inline constexpr ExportRow kExports[] = {
    {"SetDecLen",             1,  4},
    {"icDevInit",             2,  4},
    {"icDevClose",            3,  0},
    {"ChangeicDevSettings",   4,  4},
    {"GetTime",               5, 12},
    {"GetTimeA",              6, 16},
    {"SetTime",               7,  8},
    {"SetTimeA",              8, 12},
    {"Clear",                 9,  8},
    {"ClearA",               10, 12},
    {"SetOpenCard",          11, 12},
    {"DelOpenCard",          12, 12},
    {"ClearOpenCard",        13,  8},
    {"SetOpenCardEx",        14, 12},
    {"DelOpenCardEx",        15, 12},
    {"ClearOpenCardEx",      16,  8},
    {"SetMealTimes",         17, 12},
    {"GetRecordCount",       18,  8},
    {"GetRecordCountA",      19, 12},
    {"GetTotal",             20,  8},
    {"SetBellTime",          21, 12},
    {"SetMealTime",          22, 12},
    {"SetMachNo",            23,  8},
    {"SetMasterCard",        24,  8},
    {"SetMasterCardA",       25, 16},
    {"Log_onPass",           26,  8},
    {"SetPass",              27,  8},
    {"SetMachRead",          28,  8},
    {"GetFirst",             29,  8},
    {"GetNextK",             30,  8},
    {"GetNextR",             31,  8},
    {"GetNext",              32,  8},
    {"GetNextBak",           33,  8},
    {"GetNextAt",            34,  8},
    {"GetNextW",             35,  8},
    {"GetFirstA",            36, 12},
    {"GetNextA",             37,  8},
    {"Real_time",            38,  8},
    {"ReadCard",             39, 16},
    {"WriteCard",            40, 16},
    {"ReadBalance",          41, 16},
    {"Increase",             42, 28},
    {"Decrease",             43, 28},
    {"SetKeyboard",          44, 20},
    {"GetMachStyle",         45,  8},
    {"SetMachStyle",         46, 12},
    {"QueryCard",            47, 12},
    {"GetDllVersion",        48,  0},
    {"TransmitATM",          49, 32},
    {"SetWaterParam",        50, 20},
    {"SetPassA",             51,  8},
    {"BeepAX",               52,  8},
    {"SetIntervalTime",      53, 12},
    {"SetOpenTime",          54, 12},
    {"WriteCardPass",        55, 16},
    {"WriteCardMaxConsume",  56, 20},
    {"WriteCardEx",          57, 28},
    {"WriteCardAccountNo",   58, 16},
    {"ReadCardPass",         59, 16},
    {"ReadCardMaxConsume",   60, 12},
    {"WriteCardAddCount",    61, 16},
    {"ReadCardAddCount",     62, 12},
    {"WriteCardMaxCC",       63, 16},
    {"ReadCardMaxCC",        64, 12},
    {"SetPause",             65, 12},
    {"GetState",             66,  8},
    {"SetReserveParam",      67, 16},
    {"GetRecordCountR",      68, 12},
    {"GetRecordCountAt",     69, 12},
    {"SetClassMenuMoney",    70, 24},
    {"SetClassMenuName",     71, 20},
    {"SetScreenDisplayText", 72, 12},
    {"SetReadCardName",      73, 12},
    {"ShowDemo",             74,  0},
};
// clang-format on

// Data exports: a name and an ordinal, no code. Ordinals 75 to 79 stay
// empty.
struct DataExportRow {
  const char* name;
  int ordinal;
};

inline constexpr DataExportRow kDataExports[] = {
    {"_frmDemo", 80},
};

}  // namespace icbus::wine
