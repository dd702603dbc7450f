// Record stores of the simulated terminals: what each kind of terminal keeps,
// at the lengths real terminals fill, and a generator for test installations.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace icbus::sim {

enum class TerminalKind { kWindow, kAttendance, kWater, kTopUp, kDesktopTopUp, kTimer };

// Parses "window", "attendance", "water", "topup", "desktop_topup", "timer".
bool ParseTerminalKind(const std::string& text, TerminalKind* kind);
const char* TerminalKindName(TerminalKind kind);

// Length of one stored record: consumption records take one more character
// for the amount with two decimal places.
std::size_t RecordLength(TerminalKind kind, int decimals);
std::size_t BackupRecordLength(int decimals);

// `count` records of the kind for machine `machine`, numbered from `first`,
// each exactly RecordLength long. The consumption amount of record i is
// (i % 97 + 1) units; `*total` receives their sum.
std::vector<std::string> GenerateRecords(TerminalKind kind, int decimals, int machine,
                                         int count, int first, long long* total);
std::vector<std::string> GenerateBackup(int decimals, int machine, int count);

}  // namespace icbus::sim
