// Batches into the central store: idempotent, atomic, bound parameters.
#include <gtest/gtest.h>

#include "central/batch_push.h"
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

}  // namespace
}  // namespace icbus::central
