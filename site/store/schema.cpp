#include "store/schema.h"

namespace icbus::site {

// Times are UTC in ISO 8601 with milliseconds ("2026-12-10T15:20:01.123Z"),
// which sort as text. `bus` is the bus's name from the site file.
const char* const kSchemaSql = R"sql(
CREATE TABLE downloads (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  bus TEXT NOT NULL,
  machine INTEGER NOT NULL,
  kind TEXT NOT NULL,            -- consumption, attendance, backup, water, topup, desktop, short
  run INTEGER NOT NULL,          -- the run its records belong to (at the start)
  started_at TEXT NOT NULL,
  ended_at TEXT,                 -- NULL while running
  outcome TEXT NOT NULL,         -- running, complete, failed, interrupted, stopped
  count_before INTEGER,          -- the terminal's count just before; NULL when not read
  count_after INTEGER,           -- just after; NULL when not read
  received INTEGER NOT NULL DEFAULT 0,  -- record lines the terminal handed over
  records INTEGER NOT NULL DEFAULT 0,   -- of them new: stored by this download
  error TEXT                     -- the library's reason when it failed
);
CREATE INDEX downloads_terminal ON downloads (bus, machine, kind, id);

CREATE TABLE runs (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  bus TEXT NOT NULL,
  machine INTEGER NOT NULL,
  kind TEXT NOT NULL,
  run INTEGER NOT NULL,
  started_at TEXT NOT NULL,
  reason TEXT NOT NULL,          -- first, cleared, replaced
  UNIQUE (bus, machine, kind, run)
);

CREATE TABLE records (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  download INTEGER NOT NULL REFERENCES downloads (id),
  sequence INTEGER NOT NULL,     -- 1, 2, ... within the download's record lines
  bus TEXT NOT NULL,
  machine INTEGER NOT NULL,
  kind TEXT NOT NULL,
  run INTEGER NOT NULL,
  position INTEGER NOT NULL,     -- 1, 2, ... within the run
  line TEXT NOT NULL,            -- exactly as the library returned it
  received_at TEXT NOT NULL,
  UNIQUE (bus, machine, kind, run, position)
);
CREATE INDEX records_received ON records (received_at);

CREATE TABLE swipes (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  bus TEXT NOT NULL,
  machine INTEGER NOT NULL,
  line TEXT NOT NULL,            -- the poll's reply as the library returned it
  received_at TEXT NOT NULL
);

CREATE TABLE events (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  at TEXT NOT NULL,
  bus TEXT,                      -- NULL for the service's own events
  machine INTEGER,
  type TEXT NOT NULL,            -- started, stopped, reloaded, clock_set, list_synced,
                                 -- cleared, not_cleared, run_started, failed, interrupted
  detail TEXT NOT NULL           -- what happened, with the library's reason for a failure
);
)sql";

}  // namespace icbus::site
