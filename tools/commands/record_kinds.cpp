#include "commands/record_kinds.h"

namespace icbus::tool {

const std::vector<RecordKind>& RecordKinds() {
  static const std::vector<RecordKind> kinds = {
      {"consumption", "a window terminal's consumption records", true, 36, 37, &BusApi::get_next},
      {"attendance", "an attendance terminal's punches", true, 22, 22, &BusApi::get_next_k},
      {"backup", "a window terminal's backup record store", true, 36, 42, &BusApi::get_next_bak},
      // A water controller is downloaded without asking for its count first.
      {"water", "a water controller's records", false, 24, 24, &BusApi::get_next_w},
      {"topup", "a self-service top-up machine's records (needs --card)", true, 37, 37,
       &BusApi::get_next_a, &BusApi::get_record_count_a},
      {"desktop", "a desktop top-up machine's records (needs --card)", true, 37, 37,
       &BusApi::get_next_at, &BusApi::get_record_count_at},
      {"short", "17-character records read like attendance punches by their own call", true, 22, 22,
       &BusApi::get_next_r},
  };
  return kinds;
}

const RecordKind* FindRecordKind(const std::string& name) {
  for (const RecordKind& kind : RecordKinds()) {
    if (kind.name == name) return &kind;
  }
  return nullptr;
}

std::vector<std::string> RecordKindNames() {
  std::vector<std::string> names;
  for (const RecordKind& kind : RecordKinds()) names.push_back(kind.name);
  return names;
}

std::string RecordKindHelp() {
  std::string text;
  for (const RecordKind& kind : RecordKinds()) {
    text += (text.empty() ? "" : ", ") + kind.name + " (" + kind.summary + ")";
  }
  return text;
}

int CountRecords(const BusApi& bus, const RecordKind& kind, const Target& target) {
  if (!kind.top_up()) return bus.get_record_count(target.port, target.machine);
  return (bus.*kind.count_by_card)(target.port, target.machine, target.card.value_or(0));
}

int OpenDownload(const BusApi& bus, const RecordKind& kind, const Target& target) {
  if (!kind.top_up()) return bus.get_first(target.port, target.machine);
  return bus.get_first_a(target.port, target.machine, target.card.value_or(0));
}

}  // namespace icbus::tool
