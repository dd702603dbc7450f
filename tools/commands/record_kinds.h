// The kinds of records a terminal can hand over, and which exports count and
// collect each: the pairing follows the terminal kind, and the library does
// not check it, so the tool keeps it in one table.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "cli/target.h"
#include "host/bus_api.h"

namespace icbus::tool {

using NextRecord = int(ICBUS_CALL*)(int machine, char* out);
using CountByCard = int(ICBUS_CALL*)(int port, int machine, int card);

struct RecordKind {
  std::string name;      // as typed after --kind
  std::string summary;   // for help
  bool counted = false;  // counted before a download, for the progress bar
  // The longest record line the library hands over (its prefix, the reply,
  // the machine number), with one decimal and with two.
  std::size_t longest = 0, longest_two_decimals = 0;
  NextRecord BusApi::*next = nullptr;
  // Set for a top-up machine, which is addressed with its management card
  // and counts its records with its own export.
  CountByCard BusApi::*count_by_card = nullptr;

  bool top_up() const { return count_by_card != nullptr; }
};

const std::vector<RecordKind>& RecordKinds();

// The kind named `name`; nullptr for none.
const RecordKind* FindRecordKind(const std::string& name);

// The names, for a choice option.
std::vector<std::string> RecordKindNames();

// "consumption (a window terminal's consumption records), ..." for help.
std::string RecordKindHelp();

// How many records of this kind the terminal holds, or -1 when it did not
// say. Top-up kinds need the target's management card.
int CountRecords(const BusApi& bus, const RecordKind& kind, const Target& target);

// Opens the download: 1 when the session is open.
int OpenDownload(const BusApi& bus, const RecordKind& kind, const Target& target);

}  // namespace icbus::tool
