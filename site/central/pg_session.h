// One connection to the central PostgreSQL store. Every statement goes
// through Exec with its values as bound parameters; no value is ever
// spliced into SQL text.
#pragma once

#include <libpq-fe.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace icbus::central {

// A failure of the central store, with the server's SQLSTATE when it sent
// one ("42501" insufficient privilege, "40001" serialization, ...), so the
// caller can tell a refusal from a connection gone.
class CentralError : public std::runtime_error {
 public:
  CentralError(const std::string& what, std::string sqlstate, bool connection_lost)
      : std::runtime_error(what), sqlstate_(std::move(sqlstate)), lost_(connection_lost) {}
  const std::string& sqlstate() const { return sqlstate_; }
  bool connection_lost() const { return lost_; }

 private:
  std::string sqlstate_;
  bool lost_;
};

// A NULL is an empty optional; everything else travels as text and the
// server converts it to the column's type.
using Param = std::optional<std::string>;

struct ResultDeleter {
  void operator()(PGresult* r) const { PQclear(r); }
};

class PgResult {
 public:
  explicit PgResult(PGresult* r) : r_(r) {}
  int rows() const { return PQntuples(r_.get()); }
  bool null(int row, int col) const { return PQgetisnull(r_.get(), row, col) != 0; }
  std::string text(int row, int col) const { return PQgetvalue(r_.get(), row, col); }
  // The count in the command tag ("INSERT 0 37" gives 37).
  long affected() const;
  PGresult* raw() const { return r_.get(); }

 private:
  std::unique_ptr<PGresult, ResultDeleter> r_;
};

class PgSession {
 public:
  // Connects with a libpq connection string; a password comes from libpq's
  // own sources (PGPASSWORD, PGPASSFILE), never from here. Throws
  // CentralError when the server cannot be reached or refuses the login.
  explicit PgSession(const std::string& conninfo, int connect_timeout_s = 5);
  PgSession(const PgSession&) = delete;
  PgSession& operator=(const PgSession&) = delete;

  PgResult Exec(const std::string& sql, const std::vector<Param>& params = {});
  // Several statements of constant text (a migration); takes no values.
  void ExecScript(const std::string& sql);
  // Runs body inside `begin` ... COMMIT; rolls back when it throws.
  template <typename Body>
  void Transaction(Body&& body, const char* begin = "BEGIN") {
    Exec(begin);
    try {
      body();
    } catch (...) {
      RollbackQuietly();
      throw;
    }
    Exec("COMMIT");
  }
  bool ok() const { return PQstatus(conn_.get()) == CONNECTION_OK; }
  std::string user() const { return PQuser(conn_.get()); }

 private:
  void RollbackQuietly();
  void Check(const PgResult& result) const;
  struct ConnDeleter {
    void operator()(PGconn* c) const { PQfinish(c); }
  };
  std::unique_ptr<PGconn, ConnDeleter> conn_;
};

// The conninfo's keys, checked before connecting: a password written into
// the site file's text is refused (it belongs in PGPASSFILE or PGPASSWORD).
// Returns an empty string when acceptable, else what is wrong.
std::string CheckConninfo(const std::string& conninfo);

}  // namespace icbus::central
