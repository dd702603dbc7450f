// The argument rules the header documents, shared by the rows of the call
// table: arguments outside them fail before anything is sent.
#pragma once
#include <cmath>
#include <cstring>

#include "harness.h"

namespace icbus::fuzz {

inline bool BadPort(int port) { return port < 1; }
inline bool BadMachine(int machine) { return machine < 0 || machine > 999; }
inline bool BadCard(int card) { return card < 0 || card > 999999; }
// A text that cannot go into a command: missing, or carrying a "!".
inline bool BadText(const char* text) { return !text || std::strchr(text, '!'); }
inline bool BadAmount(double yuan) { return !std::isfinite(yuan) || yuan < 0; }
// Category letters are A to F.
inline bool BadCategory(const char* text) { return !text || *text < 'A' || *text > 'F'; }
inline bool Addressable(int sector, int block) {
  return sector >= 0 && sector <= 99 && block >= 0 &&
         static_cast<long long>(sector) * 4 + block <= 99;
}

// The common result kinds: 1 success, 0 failure.
inline void Boolean(Call& call, int result) {
  call.Succeeded(result == 1);
  call.InRange(result == 0 || result == 1);
}

}  // namespace icbus::fuzz
