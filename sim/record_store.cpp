#include "record_store.h"

#include <cstdio>

namespace icbus::sim {
namespace {

struct KindRow {
  TerminalKind kind;
  const char* name;
  std::size_t length, length_two_decimals;
};

const KindRow kKinds[] = {
    {TerminalKind::kWindow, "window", 31, 32},
    {TerminalKind::kAttendance, "attendance", 17, 17},
    {TerminalKind::kWater, "water", 21, 21},
    {TerminalKind::kTopUp, "topup", 32, 32},
    {TerminalKind::kDesktopTopUp, "desktop_topup", 31, 31},
    {TerminalKind::kTimer, "timer", 17, 17},
};

// `value` in exactly `width` decimal digits; higher digits are dropped so a
// field never pushes the record past its length.
std::string Digits(long long value, int width) {
  long long limit = 1;
  for (int i = 0; i < width; ++i) limit *= 10;
  char text[24];
  std::snprintf(text, sizeof text, "%0*lld", width, value % limit);
  return text;
}

// Record i happened i seconds (or minutes) after 08:00 on 1 December 2026,
// within working hours, so stamps stay distinct for a million records.
std::string StampSeconds(int i) {
  return "2612" + Digits(1 + (i / 43200) % 28, 2) + Digits(8 + (i / 3600) % 12, 2) +
         Digits((i / 60) % 60, 2) + Digits(i % 60, 2);
}

std::string StampMinutes(int i) {
  return "2612" + Digits(1 + (i / 720) % 28, 2) + Digits(8 + (i / 60) % 12, 2) + Digits(i % 60, 2);
}

std::string Card(int i) { return Digits(100000 + i % 900000, 6); }

long long Amount(int i) { return i % 97 + 1; }

std::string Record(TerminalKind kind, int decimals, int machine, int i) {
  switch (kind) {
    case TerminalKind::kWindow:
      return StampSeconds(i) + Card(i) + Digits(Amount(i), decimals == 2 ? 6 : 5) +
             Digits(machine, 3) + Digits(i, 5);
    case TerminalKind::kAttendance:
      return StampMinutes(i) + Card(i) + Digits(i % 2, 1);
    case TerminalKind::kTimer:
      return StampMinutes(i) + Digits(i % 8 + 1, 2) + Digits(machine, 3) + Digits(i, 2);
    case TerminalKind::kWater:
      return StampSeconds(i) + Card(i) + Digits(i % 50 + 1, 3);
    case TerminalKind::kTopUp:
      return StampSeconds(i) + Card(i) + Digits(Amount(i) * 100, 6) + Digits(i / 3 + 1, 4) +
             Digits(i, 4);
    case TerminalKind::kDesktopTopUp:
      return StampSeconds(i) + Card(i) + Digits(Amount(i) * 100, 6) + Digits(i / 3 + 1, 4) +
             Digits(machine, 3);
  }
  return std::string();
}

}  // namespace

bool ParseTerminalKind(const std::string& text, TerminalKind* kind) {
  for (const auto& row : kKinds) {
    if (text == row.name) {
      *kind = row.kind;
      return true;
    }
  }
  return false;
}

const char* TerminalKindName(TerminalKind kind) {
  for (const auto& row : kKinds)
    if (row.kind == kind) return row.name;
  return "window";
}

std::size_t RecordLength(TerminalKind kind, int decimals) {
  for (const auto& row : kKinds)
    if (row.kind == kind) return decimals == 2 ? row.length_two_decimals : row.length;
  return 31;
}

std::size_t BackupRecordLength(int decimals) { return decimals == 2 ? 37 : 31; }

std::vector<std::string> GenerateRecords(TerminalKind kind, int decimals, int machine, int count,
                                         long long* total, int first) {
  std::vector<std::string> records;
  long long sum = 0;
  for (int i = first; i < first + count; ++i) {
    if (kind == TerminalKind::kWindow) sum += Amount(i);
    records.push_back(Record(kind, decimals, machine, i));
  }
  if (total) *total = sum;
  return records;
}

std::vector<std::string> GenerateBackup(int decimals, int machine, int count) {
  std::vector<std::string> records;
  for (int i = 0; i < count; ++i) {
    if (decimals == 2) {
      records.push_back(StampSeconds(i) + Card(i) + Digits(Amount(i), 6) + Digits(machine, 3) +
                        Digits(100000 - Amount(i), 7) + Digits(i, 3));
    } else {
      records.push_back(Record(TerminalKind::kWindow, 1, machine, i));
    }
  }
  return records;
}

}  // namespace icbus::sim
