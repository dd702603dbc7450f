// The local store's tables, in one place. Every table has an INTEGER
// PRIMARY KEY that only grows (AUTOINCREMENT: an id is never handed out
// twice, even after rows are deleted), so a reader that remembers the last
// id it took (a push to a central store, an export with --since-id) never
// misses a row and never takes one twice.
//
// A record's identity is its terminal and its position since the terminal
// was last cleared: (bus, machine, kind, run, position). A run starts when
// the service clears the terminal or finds that the terminal's store was
// replaced; positions count from 1 within a run.
#pragma once

namespace icbus::site {

// PRAGMA user_version of a store this program writes. A store with a higher
// number was written by a newer program and is refused.
constexpr int kSchemaVersion = 1;

// The statements that create version kSchemaVersion from an empty file.
extern const char* const kSchemaSql;

}  // namespace icbus::site
