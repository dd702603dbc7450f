// Record download: GetFirst selects a terminal and leaves the port open in
// data mode; each record call then fetches one record over it until the
// terminal says "OVER" (or sends an empty reply) or an exchange fails.
#pragma once
#include <optional>

namespace icbus::records {

int GetFirst(int port, int machine, std::optional<int> card);

enum class RecordKind { kNext, kNextK, kNextR, kNextBak, kNextAt, kNextW, kNextA };

// 1 with a record line (session open), 1 with "OVER" or "" (session closed),
// 0 on failure (session closed, `out` untouched).
int GetRecord(RecordKind kind, int machine, char* out);

}  // namespace icbus::records
