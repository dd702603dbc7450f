// Records as the simulated terminals keep them: one store per terminal, each
// record a fixed-width text of the terminal's kind that fills the longest
// reply the host reads for it, as real terminals fill theirs. A reply that
// fills the read ends the read at once; a shorter one costs the host its
// 200 ms interval time-out, which a download of real records never pays.
//
// Generated records (all digits, unique by time stamp and card number):
//   window         yymmddhhnnss card(6) amount(5|6) machine(3) serial(5)  31|32
//   attendance     yymmddhhnn card(6) direction(1)                        17
//   timer          yymmddhhnn bell(2) machine(3) serial(2)                17
//   water          yymmddhhnnss card(6) litres(3)                         21
//   topup          yymmddhhnnss card(6) amount(6) count(4) serial(4)      32
//   desktop_topup  yymmddhhnnss card(6) amount(6) count(4) machine(3)     31
//   backup         yymmddhhnnss card(6) amount(5) machine(3) serial(5)    31
//                  yymmddhhnnss card(6) amount(6) machine(3) balance(7)
//                  serial(3)                                              37
// The window amount is in the terminal's unit: tenths of a yuan with one
// decimal place (5 digits), hundredths with two (6 digits).
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace icbus::sim {

enum class TerminalKind { kWindow, kAttendance, kWater, kTopUp, kDesktopTopUp, kTimer };

// Parses "window", "attendance", "water", "topup", "desktop_topup", "timer".
bool ParseTerminalKind(const std::string& text, TerminalKind* kind);
const char* TerminalKindName(TerminalKind kind);

// Length of one stored record of the kind. Only the window terminal's
// records depend on the decimal places (1 or 2).
std::size_t RecordLength(TerminalKind kind, int decimals);
std::size_t BackupRecordLength(int decimals);

// `count` records of the kind for machine `machine`, each exactly
// RecordLength long, in the order a terminal stores them, numbered from
// `first`: records of different numbers differ. Record i of a window
// terminal spends (i % 97 + 1) amount units; `*total` (when given) receives
// their sum, and 0 for the other kinds, which count no amount.
std::vector<std::string> GenerateRecords(TerminalKind kind, int decimals, int machine, int count,
                                         long long* total, int first = 0);
// `count` backup records, each exactly BackupRecordLength long.
std::vector<std::string> GenerateBackup(int decimals, int machine, int count);

}  // namespace icbus::sim
