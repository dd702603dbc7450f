#include "central/migrations.h"

#include <algorithm>
#include <iterator>

namespace icbus::central {
namespace {

// Any value will do as long as it is fixed: every icbusd that migrates
// takes this lock first.
constexpr const char* kLockKey = "7215430981";

struct Migration {
  int version;
  const char* description;
  const char* sql;
};

// Numbered, never edited once released: a change is a new migration.
// The roles are cluster-wide and may exist already (another database,
// created by the administrator beforehand).
const Migration kMigrations[] = {
    {1, "the central ledger: downloads, records, swipes, events; site roles; row-level security",
     R"sql(
DO $$ BEGIN
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'icbus_site') THEN
    CREATE ROLE icbus_site NOLOGIN;
  END IF;
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'icbus_reader') THEN
    CREATE ROLE icbus_reader NOLOGIN;
  END IF;
END $$;
GRANT USAGE ON SCHEMA icbus TO icbus_site, icbus_reader;
GRANT SELECT ON icbus.schema_version TO icbus_site, icbus_reader;

-- Which login role writes under which site name.
CREATE TABLE icbus.site_roles (
  site text PRIMARY KEY CHECK (site <> ''),
  role name NOT NULL
);
GRANT SELECT ON icbus.site_roles TO icbus_site, icbus_reader;

CREATE FUNCTION icbus.may_write(site_name text) RETURNS boolean
  LANGUAGE sql STABLE AS
  $f$ SELECT EXISTS (SELECT 1 FROM icbus.site_roles r
                     WHERE r.site = site_name AND r.role = current_user) $f$;

-- Every row carries the site's name and its id in the site's store; a
-- record also its identity on the terminal (kind, run and position since
-- the terminal was last cleared). Times are UTC.
CREATE TABLE icbus.downloads (
  arrival bigint GENERATED ALWAYS AS IDENTITY,
  site text NOT NULL,
  local_id bigint NOT NULL,
  bus text NOT NULL,
  machine integer NOT NULL,
  kind text NOT NULL,
  run integer NOT NULL,
  started_at timestamptz NOT NULL,
  ended_at timestamptz,
  outcome text NOT NULL,
  count_before integer,
  count_after integer,
  received integer NOT NULL,
  records integer NOT NULL,
  error text,
  pushed_at timestamptz NOT NULL DEFAULT now(),
  PRIMARY KEY (site, local_id)
);
CREATE TABLE icbus.records (
  arrival bigint GENERATED ALWAYS AS IDENTITY,
  site text NOT NULL,
  local_id bigint NOT NULL,
  download bigint NOT NULL,
  sequence integer NOT NULL,
  bus text NOT NULL,
  machine integer NOT NULL,
  kind text NOT NULL,
  run integer NOT NULL,
  position integer NOT NULL,
  line text NOT NULL,
  received_at timestamptz NOT NULL,
  pushed_at timestamptz NOT NULL DEFAULT now(),
  PRIMARY KEY (site, local_id),
  UNIQUE (site, bus, machine, kind, run, position)
);
CREATE TABLE icbus.swipes (
  arrival bigint GENERATED ALWAYS AS IDENTITY,
  site text NOT NULL,
  local_id bigint NOT NULL,
  bus text NOT NULL,
  machine integer NOT NULL,
  line text NOT NULL,
  received_at timestamptz NOT NULL,
  pushed_at timestamptz NOT NULL DEFAULT now(),
  PRIMARY KEY (site, local_id)
);
CREATE TABLE icbus.events (
  arrival bigint GENERATED ALWAYS AS IDENTITY,
  site text NOT NULL,
  local_id bigint NOT NULL,
  at timestamptz NOT NULL,
  bus text,
  machine integer,
  type text NOT NULL,
  detail text NOT NULL,
  pushed_at timestamptz NOT NULL DEFAULT now(),
  PRIMARY KEY (site, local_id)
);

DO $$ DECLARE t text; BEGIN
  FOREACH t IN ARRAY ARRAY['downloads', 'records', 'swipes', 'events'] LOOP
    EXECUTE format('ALTER TABLE icbus.%I ENABLE ROW LEVEL SECURITY', t);
    EXECUTE format('CREATE POLICY own_site_only ON icbus.%I FOR INSERT TO icbus_site '
                   'WITH CHECK (icbus.may_write(site))', t);
    EXECUTE format('CREATE POLICY whole_ledger ON icbus.%I FOR SELECT '
                   'TO icbus_site, icbus_reader USING (true)', t);
    EXECUTE format('GRANT SELECT, INSERT ON icbus.%I TO icbus_site', t);
    EXECUTE format('GRANT SELECT ON icbus.%I TO icbus_reader', t);
  END LOOP;
END $$;
)sql"},
    {2, "indexes for settlement: by site and time",
     R"sql(
CREATE INDEX records_by_time ON icbus.records (site, received_at);
CREATE INDEX swipes_by_time ON icbus.swipes (site, received_at);
CREATE INDEX events_by_time ON icbus.events (site, at);
)sql"},
};

std::string VersionText(int v) { return std::to_string(v); }

}  // namespace

int KnownSchemaVersion() { return std::prev(std::end(kMigrations))->version; }

SchemaTooNew::SchemaTooNew(int found, int known)
    : CentralError("the central schema is at version " + VersionText(found) +
                       ", newer than this icbusd knows (" + VersionText(known) +
                       "): upgrade icbusd before it writes there again",
                   "", false) {}

int SchemaVersion(PgSession& session) {
  PgResult exists = session.Exec("SELECT to_regclass('icbus.schema_version') IS NOT NULL");
  if (exists.text(0, 0) != "t") return 0;
  PgResult version = session.Exec("SELECT coalesce(max(version), 0) FROM icbus.schema_version");
  return std::stoi(version.text(0, 0));
}

int Migrate(PgSession& session, int target) {
  const int known = KnownSchemaVersion();
  if (target <= 0 || target > known) target = known;
  int reached = 0;
  session.Transaction([&] {
    session.Exec("SELECT pg_advisory_xact_lock($1::bigint)", {kLockKey});
    session.ExecScript(
        "CREATE SCHEMA IF NOT EXISTS icbus;"
        "CREATE TABLE IF NOT EXISTS icbus.schema_version ("
        "  version integer PRIMARY KEY, description text NOT NULL,"
        "  applied_at timestamptz NOT NULL DEFAULT now())");
  });
  for (const Migration& m : kMigrations) {
    if (m.version > target) break;
    session.Transaction([&] {
      session.Exec("SELECT pg_advisory_xact_lock($1::bigint)", {kLockKey});
      const int at = SchemaVersion(session);
      if (at > known) throw SchemaTooNew(at, known);
      if (at >= m.version) return;  // another site applied it meanwhile
      session.ExecScript(m.sql);
      session.Exec("INSERT INTO icbus.schema_version (version, description) VALUES ($1, $2)",
                   {VersionText(m.version), std::string(m.description)});
    });
    reached = m.version;
  }
  return std::max(reached, SchemaVersion(session));
}

void PrepareSchema(PgSession& session) {
  const int known = KnownSchemaVersion();
  const int at = SchemaVersion(session);
  if (at > known) throw SchemaTooNew(at, known);
  if (at == known) return;
  try {
    Migrate(session);
  } catch (const SchemaTooNew&) {
    throw;
  } catch (const CentralError& e) {
    if (e.connection_lost()) throw;
    throw CentralError("the central schema is at version " + VersionText(at) +
                           " and this icbusd needs " + VersionText(known) + "; the role " +
                           session.user() + " may not upgrade it (" + e.what() +
                           "): run the migrations once as the schema's owner (icbusd "
                           "--migrate-central)",
                       e.sqlstate(), false);
  }
}

}  // namespace icbus::central
