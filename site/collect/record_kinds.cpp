#include "collect/record_kinds.h"

#include <cstring>

namespace icbus::site {

namespace {

const SiteRecordKind kKinds[] = {
    {"consumption", icbus::RecordKind::kConsumption, true, true},
    {"backup", icbus::RecordKind::kBackup, false, false},
    {"attendance", icbus::RecordKind::kAttendance, true, true},
    // A water controller is downloaded without asking for its count first,
    // so it can never be cleared safely.
    {"water", icbus::RecordKind::kWater, false, true},
    {"topup", icbus::RecordKind::kSelfServiceTopUp, true, true},
    {"desktop", icbus::RecordKind::kDesktopTopUp, true, true},
    {"short", icbus::RecordKind::kRecordR, true, true},
};

}  // namespace

const SiteRecordKind* RecordKindByName(const std::string& name) {
  for (const SiteRecordKind& kind : kKinds) {
    if (name == kind.name) return &kind;
  }
  return nullptr;
}

std::vector<std::string> RecordKindsOf(TerminalKind kind) {
  switch (kind) {
    case TerminalKind::kWindow:
      return {"consumption", "backup"};
    case TerminalKind::kAttendance:
      return {"attendance"};
    case TerminalKind::kWater:
      return {"water"};
    case TerminalKind::kTopUp:
      return {"topup"};
    case TerminalKind::kDesktopTopUp:
      return {"desktop"};
    case TerminalKind::kTimer:
      return {"short"};
  }
  return {};
}

std::optional<int> CountRecords(icbus::Bus& bus, const TerminalConfig& terminal,
                                const SiteRecordKind& kind) {
  if (!kind.counted) return std::nullopt;
  int card = terminal.management_card.value_or(0);
  if (kind.kind == icbus::RecordKind::kSelfServiceTopUp) {
    return bus.SelfServiceTopUpCount(terminal.machine, card);
  }
  if (kind.kind == icbus::RecordKind::kDesktopTopUp) {
    return bus.DesktopTopUpCount(terminal.machine, card);
  }
  return bus.RecordCount(terminal.machine);
}

}  // namespace icbus::site
