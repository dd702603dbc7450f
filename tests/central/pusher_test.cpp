// The outbox's worker between a real local store and a real server that
// goes away and comes back.
#include "central/pusher.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "central_fixture.h"
#include "local_store.h"

namespace icbus::central {
namespace {

using namespace std::chrono_literals;

class PusherTest : public test_support::CentralTest {
 protected:
  void SetUp() override {
    CentralTest::SetUp();
    if (IsSkipped()) return;
    path_ = "/tmp/icbus-outbox-" + std::to_string(::getpid()) + ".db";
    Cleanup();
    store_ = std::make_unique<test_support::LocalStore>(path_);
  }
  void TearDown() override {
    store_.reset();
    Cleanup();
  }
  void Cleanup() {
    for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path_ + suffix).c_str());
  }
  PusherOptions Options() {
    PusherOptions options;
    options.store_path = path_;
    options.conninfo = Conninfo();
    options.site = "north";
    options.batch = 40;
    options.idle = 50ms;
    options.retry_first = 50ms;
    options.retry_max = 200ms;
    return options;
  }
  std::string Central(const std::string& sql) { return Psql(sql); }
  std::string path_;
  std::unique_ptr<test_support::LocalStore> store_;
};

TEST_F(PusherTest, AnOutageDelaysTheLedgerButLosesAndDoublesNothing) {
  store_->AddDownload("east", 1, 100);
  Pusher pusher(Options());
  pusher.Start();
  ASSERT_TRUE(pusher.Drain(10s)) << pusher.Status().last_error;
  EXPECT_EQ(Central("SELECT count(*) FROM icbus.records"), "100");

  server().Stop(/*immediate=*/true);
  store_->AddDownload("east", 1, 150);
  store_->Exec(
      "INSERT INTO swipes (bus, machine, line, received_at) VALUES ('east', 2, "
      "'card 7', '2026-12-10T09:00:00.000Z')");
  EXPECT_FALSE(pusher.Drain(300ms));
  const CentralStatus down = pusher.Status();
  EXPECT_FALSE(down.connected);
  EXPECT_GE(down.backlog, 152);  // the download, its records, the swipe (and the event)
  EXPECT_FALSE(down.last_error.empty());

  server().Start();
  ASSERT_TRUE(pusher.Drain(10s)) << pusher.Status().last_error;
  EXPECT_EQ(pusher.Status().backlog, 0);
  pusher.Stop();
  // Every local row once, in the local order, under the site's name.
  for (const char* table : {"downloads", "records", "swipes", "events"}) {
    EXPECT_EQ(Central(std::string("SELECT count(*) FROM icbus.") + table),
              std::to_string(store_->Count(table)))
        << table;
  }
  EXPECT_EQ(Central("SELECT bool_and(arrival_rank = local_rank) FROM (SELECT rank() OVER (ORDER "
                    "BY arrival) AS arrival_rank, rank() OVER (ORDER BY local_id) AS local_rank "
                    "FROM icbus.records) ranks"),
            "t");
  EXPECT_EQ(Central("SELECT string_agg(type, ',' ORDER BY local_id) FROM icbus.events"),
            "central_lost,central_back");
}

TEST_F(PusherTest, ADownloadStillRunningWaitsButItsRecordsDoNot) {
  const std::int64_t running = store_->AddDownload("east", 1, 5, /*finished=*/false);
  store_->AddDownload("west", 1, 5);
  Pusher pusher(Options());
  pusher.Start();
  EXPECT_FALSE(pusher.Drain(1s));
  EXPECT_EQ(Central("SELECT count(*) FROM icbus.records"), "10");
  EXPECT_EQ(Central("SELECT count(*) FROM icbus.downloads"), "0");
  EXPECT_EQ(pusher.Status().backlog, 2);
  store_->Exec(
      "UPDATE downloads SET outcome = 'complete', ended_at = "
      "'2026-12-10T08:00:02.000Z' WHERE id = " +
      std::to_string(running));
  ASSERT_TRUE(pusher.Drain(10s)) << pusher.Status().last_error;
  EXPECT_EQ(Central("SELECT string_agg(outcome, ',' ORDER BY local_id) FROM icbus.downloads"),
            "complete,complete");
}

TEST_F(PusherTest, ARestartAfterALostAcknowledgementSendsAgainHarmlessly) {
  store_->AddDownload("east", 1, 30);
  {
    Pusher pusher(Options());
    pusher.Start();
    ASSERT_TRUE(pusher.Drain(10s)) << pusher.Status().last_error;
  }
  // As if the service died between the central commit and the local one.
  store_->Exec("DELETE FROM central_acks");
  store_->AddDownload("east", 1, 10);
  Pusher again(Options());
  again.Start();
  ASSERT_TRUE(again.Drain(10s)) << again.Status().last_error;
  const CentralStatus status = again.Status();
  EXPECT_EQ(status.pushed, 42);  // both downloads and all their records, sent again
  EXPECT_EQ(status.inserted, 11);
  EXPECT_EQ(Central("SELECT count(*), count(DISTINCT position) FROM icbus.records"), "40|40");
}

}  // namespace
}  // namespace icbus::central
