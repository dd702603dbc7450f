// One PostgreSQL server for the whole central test program, and a fresh
// database for each test, so the tests share the server's start-up cost
// but nothing else.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "pg_server.h"

namespace icbus::test_support {

// The server, started on first use; nullptr when none can run here.
PgServer* SharedServer();

class CentralTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // A connection string to this test's database as `user`.
  std::string Conninfo(const std::string& user = "postgres") const;
  std::string Psql(const std::string& sql) const { return server_->Psql(sql, database_); }
  PgServer& server() { return *server_; }

 private:
  PgServer* server_ = nullptr;
  std::string database_;
};

}  // namespace icbus::test_support
