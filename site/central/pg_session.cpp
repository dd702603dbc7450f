#include "central/pg_session.h"

#include <cstdlib>

namespace icbus::central {
namespace {

std::string TrimmedMessage(const char* message) {
  std::string text = message ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

long PgResult::affected() const {
  const char* tuples = PQcmdTuples(r_.get());
  return (tuples && *tuples) ? std::strtol(tuples, nullptr, 10) : 0;
}

PgSession::PgSession(const std::string& conninfo, int connect_timeout_s) {
  // The time-out is a keyword of its own, so it is passed beside the
  // caller's string rather than appended to it; the caller's value wins.
  const std::string timeout = std::to_string(connect_timeout_s);
  const char* keys[] = {"connect_timeout", "dbname", nullptr};
  const char* values[] = {timeout.c_str(), conninfo.c_str(), nullptr};
  conn_.reset(PQconnectdbParams(keys, values, /*expand_dbname=*/1));
  if (!conn_) throw CentralError("out of memory connecting to the central store", "", true);
  if (PQstatus(conn_.get()) != CONNECTION_OK) {
    throw CentralError("central store: " + TrimmedMessage(PQerrorMessage(conn_.get())), "", true);
  }
  // Notices ("relation already exists, skipping") are not the log's business.
  PQsetNoticeProcessor(
      conn_.get(), [](void*, const char*) {}, nullptr);
}

PgResult PgSession::Exec(const std::string& sql, const std::vector<Param>& params) {
  std::vector<const char*> values;
  values.reserve(params.size());
  for (const Param& p : params) values.push_back(p ? p->c_str() : nullptr);
  PGresult* raw = PQexecParams(conn_.get(), sql.c_str(), static_cast<int>(values.size()), nullptr,
                               values.data(), nullptr, nullptr, 0);
  PgResult result(raw);
  Check(result);
  return result;
}

void PgSession::Check(const PgResult& result) const {
  PGresult* raw = result.raw();
  const ExecStatusType status = raw ? PQresultStatus(raw) : PGRES_FATAL_ERROR;
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return;
  const char* state = raw ? PQresultErrorField(raw, PG_DIAG_SQLSTATE) : nullptr;
  const bool lost = PQstatus(conn_.get()) != CONNECTION_OK;
  const char* message = raw ? PQresultErrorMessage(raw) : PQerrorMessage(conn_.get());
  if (!raw || !*message) message = PQerrorMessage(conn_.get());
  throw CentralError("central store: " + TrimmedMessage(message), state ? state : "", lost);
}

void PgSession::ExecScript(const std::string& sql) {
  PgResult result(PQexec(conn_.get(), sql.c_str()));
  Check(result);
}

void PgSession::RollbackQuietly() {
  if (!ok()) return;
  PQclear(PQexec(conn_.get(), "ROLLBACK"));
}

std::string CheckConninfo(const std::string& conninfo) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
  if (!options) {
    std::string text = error ? TrimmedMessage(error) : "cannot be parsed";
    PQfreemem(error);
    return "conninfo: " + text;
  }
  std::string problem;
  for (PQconninfoOption* o = options; o->keyword; ++o) {
    if (std::string(o->keyword) == "password" && o->val && *o->val) {
      problem =
          "conninfo: a password does not belong in the site file; put it in the file named by "
          "PGPASSFILE (default ~/.pgpass) or in PGPASSWORD";
    }
  }
  PQconninfoFree(options);
  return problem;
}

}  // namespace icbus::central
