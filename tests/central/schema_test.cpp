// The central schema against a real server: migrations, the version
// guard, and what a site's role may and may not do.
#include <gtest/gtest.h>

#include <thread>

#include "central/batch_push.h"
#include "central/migrations.h"
#include "central_fixture.h"

namespace icbus::central {
namespace {

using test_support::CentralTest;

TableRows OneRecord(const std::string& local_id, const std::string& position) {
  return {Table::kRecords,
          {{local_id, "1", local_id, "bus1", "1", "consumption", "1", position, "line " + local_id,
            "2026-12-10T08:00:00.000Z"}}};
}

TEST_F(CentralTest, MigratesOnceEvenWhenTwoSitesStartTogether) {
  std::vector<std::thread> sites;
  std::vector<std::string> failures(2);
  for (int i = 0; i < 2; ++i) {
    sites.emplace_back([&, i] {
      try {
        PgSession session(Conninfo());
        PrepareSchema(session);
      } catch (const std::exception& e) {
        failures[i] = e.what();
      }
    });
  }
  for (std::thread& t : sites) t.join();
  EXPECT_EQ(failures, std::vector<std::string>(2));
  EXPECT_EQ(Psql("SELECT string_agg(version::text, ',' ORDER BY version) FROM "
                 "icbus.schema_version"),
            "1,2");
  PgSession again(Conninfo());
  PrepareSchema(again);
  EXPECT_EQ(SchemaVersion(again), KnownSchemaVersion());
}

TEST_F(CentralTest, UpgradeKeepsTheRowsOfTheOlderSchema) {
  PgSession session(Conninfo());
  EXPECT_EQ(SchemaVersion(session), 0);
  EXPECT_EQ(Migrate(session, 1), 1);
  PushBatch(session, "north", {OneRecord("1", "1")});
  EXPECT_EQ(Migrate(session), KnownSchemaVersion());
  EXPECT_EQ(Psql("SELECT line FROM icbus.records"), "line 1");
  EXPECT_EQ(Psql("SELECT count(*) FROM pg_indexes WHERE indexname = 'records_by_time'"), "1");
}

TEST_F(CentralTest, RefusesASchemaNewerThanItKnows) {
  PgSession session(Conninfo());
  PrepareSchema(session);
  Psql("INSERT INTO icbus.schema_version (version, description) VALUES (" +
       std::to_string(KnownSchemaVersion() + 1) + ", 'from a later icbusd')");
  EXPECT_THROW(PrepareSchema(session), SchemaTooNew);
  EXPECT_THROW(Migrate(session), SchemaTooNew);
}

TEST_F(CentralTest, ASiteRoleMayNotMigrateAndSaysWhoMust) {
  PgSession owner(Conninfo());
  Migrate(owner, 1);
  PgSession site(Conninfo("north"));
  try {
    PrepareSchema(site);
    FAIL() << "a role with INSERT and SELECT only upgraded the schema";
  } catch (const CentralError& e) {
    EXPECT_NE(std::string(e.what()).find("--migrate-central"), std::string::npos) << e.what();
  }
  EXPECT_EQ(SchemaVersion(owner), 1);
}

// Each row: what a site's role tries, and the SQLSTATE the server must
// answer (empty: allowed).
struct Attempt {
  const char* role;
  std::string sql;
  const char* sqlstate;
};

TEST_F(CentralTest, ASiteWritesOnlyItsOwnRowsAndNeverChangesThem) {
  PgSession owner(Conninfo());
  PrepareSchema(owner);
  Psql("INSERT INTO icbus.site_roles VALUES ('north', 'north'), ('south', 'south')");
  const std::string record =
      "INSERT INTO icbus.records (site, local_id, download, sequence, bus, machine, kind, run, "
      "position, line, received_at) VALUES ";
  const Attempt attempts[] = {
      {"north", (record + "('north', 1, 1, 1, 'b', 1, 'k', 1, 1, 'x', now())").c_str(), ""},
      {"north", (record + "('south', 2, 1, 2, 'b', 1, 'k', 1, 2, 'x', now())").c_str(), "42501"},
      {"stranger", (record + "('north', 3, 1, 3, 'b', 1, 'k', 1, 3, 'x', now())").c_str(), "42501"},
      {"north", "UPDATE icbus.records SET line = 'changed'", "42501"},
      {"north", "DELETE FROM icbus.records", "42501"},
      {"north", "TRUNCATE icbus.records", "42501"},
      {"north", "INSERT INTO icbus.site_roles VALUES ('east', 'north')", "42501"},
      {"north", "UPDATE icbus.site_roles SET role = 'north'", "42501"},
      {"north", "CREATE TABLE icbus.mine (x int)", "42501"},
      {"south", "SELECT count(*) FROM icbus.records", ""},
  };
  for (const Attempt& a : attempts) {
    PgSession site(Conninfo(a.role));
    std::string state = "";
    try {
      site.Exec(a.sql);
    } catch (const CentralError& e) {
      state = e.sqlstate();
    }
    EXPECT_EQ(state, a.sqlstate) << a.role << ": " << a.sql;
  }
  EXPECT_EQ(Psql("SELECT site || ':' || line FROM icbus.records"), "north:x");
  // Exactly INSERT and SELECT on every ledger table, nothing more.
  EXPECT_EQ(Psql("SELECT string_agg(DISTINCT privilege_type, ',' ORDER BY privilege_type) FROM "
                 "information_schema.role_table_grants WHERE grantee = 'icbus_site'"),
            "INSERT,SELECT");
}

TEST_F(CentralTest, APushUnderAnotherSitesNameCommitsNothing) {
  PgSession owner(Conninfo());
  PrepareSchema(owner);
  Psql("INSERT INTO icbus.site_roles VALUES ('north', 'north')");
  PgSession north(Conninfo("north"));
  EXPECT_EQ(PushBatch(north, "north", {OneRecord("1", "1")}).inserted, 1);
  EXPECT_THROW(PushBatch(north, "south", {OneRecord("2", "2")}), CentralError);
  EXPECT_EQ(Psql("SELECT count(*) FROM icbus.records"), "1");
}

}  // namespace
}  // namespace icbus::central
