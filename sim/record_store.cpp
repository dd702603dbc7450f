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

// A record: time stamp "yymmddhhnnss" (the host puts "20" in front), card
// number, machine, amount, then a running number filling the length.
std::string Record(int index, int machine, int amount_digits, long long amount,
                   std::size_t length) {
  int minute = index % 60, hour = 8 + (index / 60) % 12, day = 1 + (index / 720) % 28;
  char text[96];
  std::snprintf(text, sizeof text, "2612%02d%02d%02d%02d%06d%03d%0*lld", day, hour, minute,
                index % 60, 100000 + index % 900000, machine % 1000, amount_digits, amount);
  std::string record(text);
  char serial[32];
  std::snprintf(serial, sizeof serial, "%030d", index);
  record += serial;
  record.resize(length, '0');
  return record;
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

std::vector<std::string> GenerateRecords(TerminalKind kind, int decimals, int machine,
                                         int count, int first, long long* total) {
  std::vector<std::string> records;
  long long sum = 0;
  const std::size_t length = RecordLength(kind, decimals);
  const int amount_digits = decimals == 2 ? 6 : 5;
  for (int i = 0; i < count; ++i) {
    long long amount = (first + i) % 97 + 1;
    sum += amount;
    records.push_back(Record(first + i, machine, amount_digits, amount, length));
  }
  if (total) *total = sum;
  return records;
}

std::vector<std::string> GenerateBackup(int decimals, int machine, int count) {
  std::vector<std::string> records;
  for (int i = 0; i < count; ++i) {
    records.push_back(Record(i, machine, decimals == 2 ? 6 : 5, i % 97 + 1,
                             BackupRecordLength(decimals)));
  }
  return records;
}

}  // namespace icbus::sim
