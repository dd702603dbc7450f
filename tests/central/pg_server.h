// A PostgreSQL server of the tests' own: a fresh cluster in a temporary
// directory, listening only on a Unix socket there, stopped and started at
// will (the outage tests), removed at the end. As root the server runs as
// the user postgres, which the server insists on.
#pragma once

#include <string>

namespace icbus::test_support {

class PgServer {
 public:
  // Why no server can be started here (no server binaries, no user to run
  // it as), or an empty string when one can.
  static std::string MissingReason();

  // initdb and start; throws std::runtime_error with initdb's or pg_ctl's
  // log when either fails. Without `durable` the server skips fsync, which
  // only a crash of the machine would tell; benchmarks ask for it.
  explicit PgServer(bool durable = false);
  ~PgServer();
  PgServer(const PgServer&) = delete;
  PgServer& operator=(const PgServer&) = delete;

  // Fast stops wait for sessions to end; an immediate one is a crash the
  // server recovers from at its next start.
  void Stop(bool immediate = false);
  void Start();
  bool running() const { return running_; }

  // A libpq connection string for `user` on `database`.
  std::string Conninfo(const std::string& user = "postgres",
                       const std::string& database = "postgres") const;
  // Runs SQL as the superuser through psql; throws with psql's output when
  // it fails. For setting up roles and looking at what arrived.
  std::string Psql(const std::string& sql, const std::string& database = "postgres") const;

 private:
  std::string dir_, data_, socket_dir_, log_;
  bool running_ = false;
};

}  // namespace icbus::test_support
