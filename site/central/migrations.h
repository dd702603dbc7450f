// The central schema, created and upgraded by numbered migrations. Each
// migration runs in a transaction of its own under an advisory lock, so two
// sites starting together apply it once; the version table records what
// was applied. A schema newer than this program knows is never written to.
#pragma once

#include <string>

#include "central/pg_session.h"

namespace icbus::central {

// The newest schema version this program knows.
int KnownSchemaVersion();

// The version the central store is at: 0 when it has no icbus schema yet.
int SchemaVersion(PgSession& session);

// Thrown when the central schema is newer than KnownSchemaVersion().
class SchemaTooNew : public CentralError {
 public:
  SchemaTooNew(int found, int known);
};

// Applies the migrations after the store's version up to target (default:
// all known). Returns the version reached. Throws SchemaTooNew, or a
// CentralError when a migration fails (that migration is rolled back; the
// ones before it stay).
int Migrate(PgSession& session, int target = 0);

// What a site's pusher does on connecting: migrates when the schema is
// older and the role may change it, refuses a newer one. A role that may
// only insert and select gets a CentralError saying who must migrate.
void PrepareSchema(PgSession& session);

}  // namespace icbus::central
