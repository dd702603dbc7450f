// Batches into the central store: idempotent, atomic, bound parameters.
#include <gtest/gtest.h>

#include "central/batch_push.h"
#include "central/central_records.h"
#include "central/migrations.h"
#include "central_fixture.h"

namespace icbus::central {
namespace {

class PushTest : public test_support::CentralTest {
 protected:
  void SetUp() override {
    CentralTest::SetUp();
    if (IsSkipped()) return;
    session_ = std::make_unique<PgSession>(Conninfo());
    PrepareSchema(*session_);
  }
  static TableRows Records(int first, int count, const std::string& line = "") {
    TableRows part{Table::kRecords, {}};
    for (int i = first; i < first + count; ++i) {
      const std::string n = std::to_string(i);
      part.rows.push_back({n, "7", n, "bus1", "3", "consumption", "1", n,
                           line.empty() ? "sale " + n : line, "2026-12-10T08:00:00.000Z"});
    }
    return part;
  }
  std::unique_ptr<PgSession> session_;
};

TEST_F(PushTest, ABatchSentAgainAddsNothing) {
  EXPECT_EQ(PushBatch(*session_, "north", {Records(1, 50)}).inserted, 50);
  // The acknowledgement of the first was lost: the next batch overlaps it.
  PushResult again = PushBatch(*session_, "north", {Records(26, 50)});
  EXPECT_EQ(again.sent, 50);
  EXPECT_EQ(again.inserted, 25);
  EXPECT_EQ(Psql("SELECT count(*), count(DISTINCT local_id), min(local_id), max(local_id) FROM "
                 "icbus.records"),
            "75|75|1|75");
  // The same positions under another site's name are another site's rows.
  EXPECT_EQ(PushBatch(*session_, "south", {Records(1, 10)}).inserted, 10);
}

TEST_F(PushTest, ARowTheServerRefusesTakesTheWholeBatchBack) {
  TableRows part = Records(1, 5);
  part.rows[3][4] = "not a machine";
  TableRows event{Table::kEvents, {{"1", "2026-12-10T08:00:00Z", "bus1", "3", "cleared", "ok"}}};
  EXPECT_THROW(PushBatch(*session_, "north", {event, part}), CentralError);
  EXPECT_EQ(Psql("SELECT (SELECT count(*) FROM icbus.records) + (SELECT count(*) FROM "
                 "icbus.events)"),
            "0");
  EXPECT_THROW(PushBatch(*session_, "north", {{Table::kSwipes, {{"1", "bus1"}}}}),
               std::invalid_argument);
}

TEST_F(PushTest, TextArrivesExactlyAsSent) {
  const std::string hostile = "x'); DROP TABLE icbus.records; -- \"\\ 食堂 ,;";
  PushBatch(*session_, "north';--", {Records(1, 1, hostile)});
  EXPECT_EQ(Psql("SELECT site || '|' || line FROM icbus.records"), "north';--|" + hostile);
  TableRows download{
      Table::kDownloads,
      {{"9", "bus1", "3", "consumption", "1", "2026-12-10T08:00:00.000Z", std::nullopt,
        "interrupted", std::nullopt, std::nullopt, "0", "0", std::nullopt}}};
  PushBatch(*session_, "north", {download});
  EXPECT_EQ(Psql("SELECT outcome, ended_at IS NULL FROM icbus.downloads"), "interrupted|t");
}

TEST_F(PushTest, ABatchLargerThanOneStatementsParametersIsSplit) {
  // 10 values a record: 65535 parameters hold 6553 rows.
  EXPECT_EQ(PushBatch(*session_, "north", {Records(1, 8000)}).inserted, 8000);
  EXPECT_EQ(Psql("SELECT count(*) FROM icbus.records"), "8000");
}

struct ExportCase {
  const char* site;
  const char* since;
  const char* bus;
  std::optional<int> machine;
  const char* kind;
  int limit;
  const char* expected;  // site:id of each record, in order
};

TEST_F(PushTest, TheLedgerReadsBackWithTheLocalFiltersAndTimes) {
  auto record = [](const char* id, const char* bus, const char* machine, const char* kind,
                   const char* at) {
    return std::vector<Param>{id, "1", id, bus, machine, kind, "1", id, std::string("r") + id, at};
  };
  PushBatch(*session_, "south",
            {{Table::kRecords,
              {record("1", "hall", "2", "consumption", "2026-12-09T23:59:59.999Z"),
               record("2", "hall", "3", "backup", "2026-12-10T00:00:00.000Z")}}});
  PushBatch(*session_, "north",
            {{Table::kRecords,
              {record("7", "bus1", "2", "consumption", "2026-12-10T08:00:00.125Z"),
               record("9", "bus2", "2", "consumption", "2026-12-10T09:00:00.000Z")}}});
  const ExportCase cases[] = {
      {"", "", "", std::nullopt, "", 0, "north:7,north:9,south:1,south:2"},
      {"south", "", "", std::nullopt, "", 0, "south:1,south:2"},
      {"", "2026-12-10", "", std::nullopt, "", 0, "north:7,north:9,south:2"},
      {"", "2026-12-10T08:30:00Z", "", std::nullopt, "", 0, "north:9"},
      {"", "", "hall", 3, "", 0, "south:2"},
      {"", "", "", 2, "consumption", 0, "north:7,north:9,south:1"},
      {"", "", "", std::nullopt, "", 3, "north:7,north:9,south:1"},
      {"east", "", "", std::nullopt, "", 0, ""},
      {"x' OR '1'='1", "", "", std::nullopt, "", 0, ""},
  };
  for (const ExportCase& c : cases) {
    CentralRecordFilter filter;
    filter.site = c.site;
    filter.records.since = c.since;
    filter.records.bus = c.bus;
    filter.records.machine = c.machine;
    filter.records.kind = c.kind;
    filter.records.limit = c.limit;
    std::string seen;
    ForEachCentralRecord(*session_, filter,
                         [&](const std::string& site, const site::RecordRow& row) {
                           seen += (seen.empty() ? "" : ",") + site + ":" + std::to_string(row.id);
                         });
    EXPECT_EQ(seen, c.expected) << c.site << "|" << c.since << "|" << c.bus << "|" << c.kind;
  }
  // Times come back exactly as the site wrote them.
  std::string at;
  ForEachCentralRecord(*session_, {"north", {}},
                       [&](const std::string&, const site::RecordRow& row) {
                         if (row.id == 7) at = row.received_at + " " + row.line;
                       });
  EXPECT_EQ(at, "2026-12-10T08:00:00.125Z r7");
}

}  // namespace
}  // namespace icbus::central
